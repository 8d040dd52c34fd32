// Shared by the picture writer tests: pattern images in any plain format, the
// pixels they should read back as, and comparison with what the independent
// readers (PictureReaders.h) decode from written files at full sample precision.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ImageData.h"
#include "ImageFileFormat.h"
#include "PictureReaders.h"

namespace writer_readback {

using testing_support::ReadWithMagick16;
using testing_support::ReadWithPillow16;
using testing_support::TDecoded;
using testing_support::TRgba16;

// A width x height image whose samples differ between rows, columns and
// channels and in both bytes of 16-bit samples; alpha runs through 0, full
// and values between. Index8 gets a palette, opaque unless paletteAlpha;
// block-compressed formats get arbitrary blocks.
TImageData MakePatternImage(TImageFormat format, int32_t width, int32_t height, bool paletteAlpha = false);

// What each pixel should read back as, 16 bits per channel. Grey formats and
// one-channel float formats read back as grey.
std::vector<TRgba16> ExpectedPixels(const TImageData& image);

struct TCompare {
  int Bits[4] = {16, 16, 16, 16};    // significant bits of R, G, B, A to compare
  bool IgnoreAlpha = false;          // the reader (or file) has no alpha
  bool IgnoreColorOfTransparent = false;
  bool ColorOnlyWhereOpaque = false;  // colour blended with a background elsewhere
};

// Size and every pixel, on the bits both sides carry.
::testing::AssertionResult SamePixels(const TDecoded& decoded, int width, int height,
                                      const std::vector<TRgba16>& expected, const TCompare& how = {});

// Peak signal-to-noise ratio of the red, green and blue channels at 8 bits.
double ColorPSNR(const TDecoded& decoded, const std::vector<TRgba16>& expected);

// Saves image through format's conversion and writer into a file.
std::vector<uint8_t> WritePicture(TImageFileFormat& format, const TImageData& image,
                                  const std::filesystem::path& file);

}  // namespace writer_readback
