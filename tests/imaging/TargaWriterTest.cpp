// Targa files read back by ImageMagick and Pillow, for every layout the writer
// emits, uncompressed and run-length encoded.
#include <gtest/gtest.h>

#include "Exceptions.h"
#include "TargaFormat.h"
#include "TestSupport.h"
#include "WriterReadBack.h"

namespace {

using namespace writer_readback;
using F = TImageFormat;

struct TargaCase {
  const char* Name;
  F Format;
  bool PaletteAlpha;
  bool RLE;
  uint8_t ImageType;   // header byte 2
  uint8_t Depth;       // header byte 16
  uint8_t Descriptor;  // header byte 17: alpha bits, top-left origin 0x20
  TCompare How;
};

void PrintTo(const TargaCase& c, std::ostream* os) { *os << c.Name; }

constexpr TCompare kExact{};
constexpr TCompare k1555{{5, 5, 5, 1}};

const TargaCase kCases[] = {
    {"Gray8", F::Gray8, false, false, 3, 8, 0x20, kExact},
    {"Gray8Rle", F::Gray8, false, true, 11, 8, 0x20, kExact},
    {"Index8", F::Index8, false, false, 1, 8, 0x20, kExact},
    {"Index8PaletteAlphaRle", F::Index8, true, true, 9, 8, 0x28, kExact},
    {"A1R5G5B5", F::A1R5G5B5, false, false, 2, 16, 0x21, k1555},
    {"A1R5G5B5Rle", F::A1R5G5B5, false, true, 10, 16, 0x21, k1555},
    {"R8G8B8", F::R8G8B8, false, false, 2, 24, 0x20, kExact},
    {"R8G8B8Rle", F::R8G8B8, false, true, 10, 24, 0x20, kExact},
    {"A8R8G8B8", F::A8R8G8B8, false, false, 2, 32, 0x28, kExact},
    {"A8R8G8B8Rle", F::A8R8G8B8, false, true, 10, 32, 0x28, kExact},
};

class TargaWriter : public ::testing::TestWithParam<TargaCase> {};

TEST_P(TargaWriter, ReadersSeeTheSamePixels) {
  const TargaCase& c = GetParam();
  testing_support::TempDir dir;
  const auto file = dir / "t.tga";
  TTargaFileFormat format;
  format.FUseRLE = c.RLE;
  const TImageData image = MakePatternImage(c.Format, 7, 5, c.PaletteAlpha);
  const std::vector<uint8_t> bytes = WritePicture(format, image, file);

  ASSERT_GE(bytes.size(), 18u + 26u);
  EXPECT_EQ(bytes[2], c.ImageType);
  EXPECT_EQ(bytes[16], c.Depth);
  EXPECT_EQ(bytes[17], c.Descriptor);
  EXPECT_EQ(std::string(bytes.end() - 18, bytes.end() - 1), "TRUEVISION-XFILE.");

  const auto expected = ExpectedPixels(image);
  EXPECT_TRUE(SamePixels(ReadWithMagick16(file), 7, 5, expected, c.How)) << "ImageMagick";
  if (c.PaletteAlpha) return;  // Pillow reads no 32-bit colour maps
  TCompare pillow = c.How;
  pillow.IgnoreAlpha = c.Format == F::A1R5G5B5;  // Pillow reads 16-bit Targa as RGB
  EXPECT_TRUE(SamePixels(ReadWithPillow16({file})[0], 7, 5, expected, pillow)) << "Pillow";
}

INSTANTIATE_TEST_SUITE_P(Layouts, TargaWriter, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// Rows with runs longer than one packet, runs of two, and lone pixels between
// them: the run-length packets must decode to the same rows as the raw file.
TEST(TargaWriterRle, LongAndShortRunsDecodeLikeRawRows) {
  TImageData image;
  NewImage(300, 3, F::R8G8B8, image);
  for (int32_t y = 0; y < 3; ++y) {
    for (int32_t x = 0; x < 300; ++x) {
      uint8_t* p = &image.Bits[(static_cast<size_t>(y) * 300 + x) * 3];
      const int run = x < 200 ? 0 : (x < 260 ? x / 2 : x);  // one long run, pairs, then all different
      p[0] = static_cast<uint8_t>(run + y);
      p[1] = static_cast<uint8_t>(run * 3);
      p[2] = static_cast<uint8_t>(y * 50);
    }
  }
  testing_support::TempDir dir;
  TTargaFileFormat raw;
  TTargaFileFormat rle;
  rle.FUseRLE = true;
  const auto rawBytes = WritePicture(raw, image, dir / "raw.tga");
  const auto rleBytes = WritePicture(rle, image, dir / "rle.tga");
  EXPECT_LT(rleBytes.size(), rawBytes.size());
  const auto expected = ExpectedPixels(image);
  EXPECT_TRUE(SamePixels(ReadWithMagick16(dir / "rle.tga"), 300, 3, expected));
  EXPECT_TRUE(SamePixels(ReadWithPillow16({dir / "rle.tga"})[0], 300, 3, expected));
}

// Sides beyond the header's 16 bits fail instead of wrapping around.
TEST(TargaWriterLimits, TooWideFailsWithoutWriting) {
  TImageData image;
  NewImage(65536, 1, F::Gray8, image);
  TTargaFileFormat writer;
  TMemoryStream out;
  EXPECT_THROW(writer.SaveImageToStream(out, image), EImagingError);
  EXPECT_EQ(out.Size(), 0);
}

}  // namespace
