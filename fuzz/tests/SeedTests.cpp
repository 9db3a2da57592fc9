#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "FuzzSupport.h"
#include "Render.h"
#include "Seeds.h"

namespace {

const std::string kCorpus = std::string(VLX_SOURCE_DIR) + "/fuzz/corpus/";

std::vector<TSeed> Generated() {
  const auto example = ReadBytes(std::string(VLX_SOURCE_DIR) + "/examples/triangle-to-square.vlx");
  EXPECT_TRUE(example.has_value());
  return MakeSeeds(example.value_or(std::vector<std::uint8_t>{}));
}

TReadOutcome Due(const std::string& name) {
  if (name.rfind("accepted-", 0) == 0) return TReadOutcome::Accepted;
  if (name.rfind("newer-", 0) == 0) return TReadOutcome::NewerVersion;
  EXPECT_EQ(name.rfind("refused-", 0), 0u) << name << " states no outcome";
  return TReadOutcome::Refused;
}

}  // namespace

TEST(Seeds, TheCommittedCorporaHoldTheGeneratedOnes) {
  const std::vector<TSeed> seeds = Generated();
  std::vector<std::string> names;
  for (const TSeed& seed : seeds) names.push_back(seed.Name);
  std::sort(names.begin(), names.end());
  ASSERT_EQ(std::adjacent_find(names.begin(), names.end()), names.end())
      << "two seeds share a name";
  for (const char* target : {"document", "render"}) {
    const std::string dir = kCorpus + target;
    // Besides the generated seeds, only inputs kept from fuzzing runs.
    std::vector<std::string> generated;
    for (const std::string& name : ListDirectory(dir)) {
      if (name.rfind("regression-", 0) != 0) generated.push_back(name);
    }
    EXPECT_EQ(generated, names) << dir << ": run make_seeds";
    for (const TSeed& seed : seeds) {
      EXPECT_EQ(ReadBytes(dir + "/" + seed.Name), seed.Bytes) << dir << "/" << seed.Name;
    }
  }
}

TEST(Seeds, EachReadsAsItsNameStates) {
  const std::string path = TFuzzDir::Get().Path("seed.vlx");
  for (const TSeed& seed : Generated()) {
    ASSERT_TRUE(WriteBytes(path, seed.Bytes.data(), seed.Bytes.size()));
    auto wave0 = std::make_unique<TNodeList>();
    auto wave1 = std::make_unique<TNodeList>();
    EXPECT_EQ(ReadDocument(path, wave0, wave1), Due(seed.Name)) << seed.Name;
    EXPECT_EQ(ExpectDocument(seed.Bytes.data(), seed.Bytes.size()).Outcome, Due(seed.Name))
        << seed.Name;
  }
}

TEST(Seeds, EachRendersOrNotAsItsNameStates) {
  const std::string design = TFuzzDir::Get().Path("seed.vlx");
  const std::string output = TFuzzDir::Get().Path("seed.wav");
  for (const TSeed& seed : Generated()) {
    ASSERT_TRUE(WriteBytes(design, seed.Bytes.data(), seed.Bytes.size()));
    std::remove(output.c_str());
    std::ostringstream out;
    std::ostringstream err;
    const bool accepted = Due(seed.Name) == TReadOutcome::Accepted;
    EXPECT_EQ(RunRender({design, output}, out, err), accepted ? 0 : 1)
        << seed.Name << ": " << err.str();
    const auto wav = ReadBytes(output);
    EXPECT_EQ(wav.has_value(), accepted) << seed.Name;
    if (wav) EXPECT_EQ(wav->size(), 22860u) << seed.Name;
  }
}

TEST(Seeds, TheDefaultIsWhatSavingTheDefaultDesignWrites) {
  TNodeList wave0;
  TNodeList wave1;
  LoadDefaultDesign(wave0, wave1);
  const std::string path = TFuzzDir::Get().Path("default.vlx");
  ASSERT_EQ(WriteDocument(path, wave0, wave1), TWriteOutcome::Written);
  const auto saved = ReadBytes(path);
  ASSERT_TRUE(saved.has_value());
  EXPECT_EQ(saved->size(), 250u);
  for (const TSeed& seed : Generated()) {
    if (seed.Name == "accepted-default.vlx") EXPECT_EQ(seed.Bytes, *saved);
  }
}
