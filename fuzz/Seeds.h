#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One file of the seed corpora. Its name starts with the outcome a reader must
// reach: "accepted-", "refused-" or "newer-".
struct TSeed {
  std::string Name;
  std::vector<std::uint8_t> Bytes;
};

// Every seed, the same for both fuzz targets; example is the shipped example
// design, taken in as it stands.
std::vector<TSeed> MakeSeeds(const std::vector<std::uint8_t>& example);
