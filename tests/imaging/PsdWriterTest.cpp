// Photoshop files read back by ImageMagick (merged image and layer) and by
// Pillow where it reads the variant, for every written layout.
#include <gtest/gtest.h>

#include "Exceptions.h"
#include "PSDFormat.h"
#include "TestSupport.h"
#include "WriterReadBack.h"

namespace {

using namespace writer_readback;
using F = TImageFormat;

struct PsdCase {
  const char* Name;
  F Format;
  bool SaveAsLayer;
  uint16_t Channels, Depth, Mode;  // header fields
  bool Magick;                     // this ImageMagick reads the variant (not indexed PSD)
  bool Pillow;                     // Pillow reads the variant (8 bits; no grey layer with alpha)
};

void PrintTo(const PsdCase& c, std::ostream* os) { *os << c.Name; }

const PsdCase kCases[] = {
    {"Index8", F::Index8, true, 1, 8, 2, false, true},
    {"Gray8", F::Gray8, true, 1, 8, 1, true, true},
    {"A8Gray8", F::A8Gray8, true, 2, 8, 1, true, false},
    {"A8Gray8Flat", F::A8Gray8, false, 2, 8, 1, true, true},
    {"Gray16", F::Gray16, true, 1, 16, 1, true, false},
    {"A16Gray16", F::A16Gray16, true, 2, 16, 1, true, false},
    {"R8G8B8", F::R8G8B8, true, 3, 8, 3, true, true},
    {"R8G8B8Flat", F::R8G8B8, false, 3, 8, 3, true, true},
    {"A8R8G8B8", F::A8R8G8B8, true, 4, 8, 3, true, true},
    {"A8R8G8B8Flat", F::A8R8G8B8, false, 4, 8, 3, true, true},
    {"R16G16B16", F::R16G16B16, true, 3, 16, 3, true, false},
    {"A16R16G16B16", F::A16R16G16B16, true, 4, 16, 3, true, false},
    {"A16R16G16B16Flat", F::A16R16G16B16, false, 4, 16, 3, true, false},
    {"R32F", F::R32F, true, 1, 32, 1, true, false},
    {"A32R32G32B32F", F::A32R32G32B32F, true, 4, 32, 3, true, false},
};

uint32_t BE(const std::vector<uint8_t>& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v = v << 8 | b[at + i];
  return v;
}

class PsdWriter : public ::testing::TestWithParam<PsdCase> {};

TEST_P(PsdWriter, MergedImageAndLayerReadBack) {
  const PsdCase& c = GetParam();
  testing_support::TempDir dir;
  const auto file = dir / "t.psd";
  TPSDFileFormat writer;
  writer.FSaveAsLayer = c.SaveAsLayer;
  const TImageData image = MakePatternImage(c.Format, 7, 5);
  const std::vector<uint8_t> bytes = WritePicture(writer, image, file);

  ASSERT_GE(bytes.size(), 26u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "8BPS");
  EXPECT_EQ(BE(bytes, 12, 2), c.Channels);
  EXPECT_EQ(BE(bytes, 14, 4), 5u);
  EXPECT_EQ(BE(bytes, 18, 4), 7u);
  EXPECT_EQ(BE(bytes, 22, 2), c.Depth);
  EXPECT_EQ(BE(bytes, 24, 2), c.Mode);

  const auto expected = ExpectedPixels(image);
  const bool alpha = GetFormatInfo(c.Format).HasAlphaChannel;
  const bool layered = c.SaveAsLayer && c.Format != F::Index8;  // indexed images never carry a layer
  // With a layer, the merged image is transparent and its colour blended with
  // white (undone by readers, exactly only where opaque); without, its alpha is
  // an extra channel that ImageMagick leaves aside.
  TCompare merged;
  merged.ColorOnlyWhereOpaque = alpha && layered;
  TCompare magickMerged = merged;
  magickMerged.IgnoreAlpha = alpha && !layered;
  if (c.Magick) {
    EXPECT_TRUE(SamePixels(ReadWithMagick16(file), 7, 5, expected, magickMerged)) << "ImageMagick, merged image";
    if (layered) EXPECT_TRUE(SamePixels(ReadWithMagick16(file, 1), 7, 5, expected)) << "ImageMagick, layer";
  }
  if (c.Pillow) {
    TCompare pillow = merged;
    pillow.IgnoreAlpha = c.Format == F::A8Gray8;  // Pillow reads grey Photoshop files as one channel
    EXPECT_TRUE(SamePixels(ReadWithPillow16({file})[0], 7, 5, expected, pillow)) << "Pillow";
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, PsdWriter, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// Where the layered image is fully transparent, the merged image shows white.
TEST(PsdWriterMerged, TransparentPixelsAreWhite) {
  testing_support::TempDir dir;
  TPSDFileFormat writer;
  const TImageData image = MakePatternImage(F::A8R8G8B8, 7, 5);
  WritePicture(writer, image, dir / "t.psd");
  const TDecoded merged = ReadWithPillow16({dir / "t.psd"})[0];
  ASSERT_TRUE(merged.Ok) << merged.Error;
  int transparent = 0;
  for (size_t i = 0; i < merged.Pixels.size(); ++i) {
    if (image.Bits[4 * i + 3] != 0) continue;
    ++transparent;
    EXPECT_EQ(merged.Pixels[i].R, 65535);
    EXPECT_EQ(merged.Pixels[i].G, 65535);
    EXPECT_EQ(merged.Pixels[i].B, 65535);
  }
  EXPECT_GT(transparent, 0);
}

TEST(PsdWriterLimits, BeyondThirtyThousandPixelsFailsWithoutWriting) {
  TImageData image;
  NewImage(1, 30001, F::Gray8, image);
  TPSDFileFormat writer;
  TMemoryStream out;
  EXPECT_THROW(writer.SaveImageToStream(out, image), EImagingError);
  EXPECT_EQ(out.Size(), 0);
}

}  // namespace
