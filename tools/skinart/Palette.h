#pragma once

#include <vector>

#include "Image.h"

// A palette of exactly Size entries for the given pictures: the Pinned colours
// first and unchanged, then median-cut representatives of all other colours,
// padded with black. Integer arithmetic only, so the result is the same everywhere.
std::vector<TRgb> BuildPalette(const std::vector<const TRgbImage*>& Images, int Size,
                               const std::vector<TRgb>& Pinned);

// Maps every pixel to its nearest palette entry (lowest index on a tie). The
// mapping depends on the colour alone, so equal pixels in pictures that share a
// palette stay equal.
TIndexedImage ToIndexed(const TRgbImage& Image, const std::vector<TRgb>& Palette, int Bits);
