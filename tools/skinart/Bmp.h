#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Image.h"

// Windows bitmap files: BITMAPFILEHEADER + BITMAPINFOHEADER, uncompressed,
// bottom-up rows padded to four bytes, all palette entries written and counted.
std::vector<uint8_t> EncodeBmp(const TIndexedImage& Image);
std::vector<uint8_t> EncodeBmp24(const TRgbImage& Image);

bool WriteBytes(const std::string& Path, const std::vector<uint8_t>& Bytes);
