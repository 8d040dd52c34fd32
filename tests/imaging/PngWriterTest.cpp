#include <gtest/gtest.h>

#include <set>

#include "GIFFormat.h"
#include "JPEGFormat.h"
#include "PNGFormat.h"
#include "TestSupport.h"
#include "WriterTestSupport.h"

using namespace writer_tests;
using testing_support::RunProgram;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

struct PngLayoutCase {
  TImageFormat format;
  int colorType;
  int bitDepth;
};
// Parameters show in test listings by name.
void PrintTo(const PngLayoutCase& c, std::ostream* os) { *os << GetFormatName(c.format); }

class PngLayout : public ::testing::TestWithParam<PngLayoutCase> {};

// Every format PNG holds unchanged: the header says the right colour type and
// depth, pngcheck finds the file sound, and ImageMagick reads the exact pixels.
TEST_P(PngLayout, RoundTripsExactlyThroughImageMagick) {
  const PngLayoutCase& c = GetParam();
  const TImageData image = PatternImage(c.format, 13, 7);
  TPNGFileFormat png;
  const std::vector<uint8_t> bytes = Encode(png, image);

  const TPngChunks chunks = ParsePngChunks(bytes);
  ASSERT_EQ(chunks.Header.size(), 13u);
  EXPECT_EQ(chunks.Header[8], c.bitDepth);
  EXPECT_EQ(chunks.Header[9], c.colorType);

  TempDir dir;
  WriteFileBytes(dir / "t.png", bytes);
  const auto check = RunProgram({"/usr/bin/pngcheck", "-q", (dir / "t.png").string()});
  EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
  std::string error;
  EXPECT_EQ(ReadRGBA16WithImageMagick(dir / "t.png", &error), ExpectedRGBA16(image)) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Formats, PngLayout,
    ::testing::Values(PngLayoutCase{TImageFormat::Index8, 3, 8}, PngLayoutCase{TImageFormat::Gray8, 0, 8},
                      PngLayoutCase{TImageFormat::A8Gray8, 4, 8}, PngLayoutCase{TImageFormat::Gray16, 0, 16},
                      PngLayoutCase{TImageFormat::A16Gray16, 4, 16}, PngLayoutCase{TImageFormat::R8G8B8, 2, 8},
                      PngLayoutCase{TImageFormat::A8R8G8B8, 6, 8}, PngLayoutCase{TImageFormat::R16G16B16, 2, 16},
                      PngLayoutCase{TImageFormat::A16R16G16B16, 6, 16}, PngLayoutCase{TImageFormat::B16G16R16, 2, 16},
                      PngLayoutCase{TImageFormat::A16B16G16R16, 6, 16}),
    ::testing::PrintToStringParamName());

std::set<int> FilterBytes(const std::vector<uint8_t>& png, const TImageData& image) {
  const std::vector<uint8_t> raw = Inflate(ParsePngChunks(png).ImageData);
  const size_t stride = 1 + static_cast<size_t>(image.Width) * GetFormatInfo(image.Format).BytesPerPixel;
  std::set<int> filters;
  for (size_t at = 0; at < raw.size(); at += stride) filters.insert(raw[at]);
  return filters;
}

// Zlib's FLEVEL bits: 0 for levels 0-1, 1 for 2-5, 2 for 6, 3 for 7-9.
int ZlibLevelBits(const std::vector<uint8_t>& png) { return ParsePngChunks(png).ImageData.at(1) >> 6; }

struct FilterCase {
  const char* name;
  TImageFormat format;
  int preFilter;
  std::set<int> filters;
};
// Parameters show in test listings by name.
void PrintTo(const FilterCase& c, std::ostream* os) { *os << c.name; }

class PngFilter : public ::testing::TestWithParam<FilterCase> {};

TEST_P(PngFilter, RowsCarryTheChosenFilter) {
  const FilterCase& c = GetParam();
  const TImageData image = PatternImage(c.format, 16, 8, TPattern::Smooth);
  TMemoryStream out;
  EncodePNG(out, image, c.preFilter, 5);
  EXPECT_EQ(FilterBytes(StreamBytes(out), image), c.filters);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, PngFilter,
    ::testing::Values(FilterCase{"None", TImageFormat::R8G8B8, 0, {0}}, FilterCase{"Sub", TImageFormat::R8G8B8, 1, {1}},
                      FilterCase{"Up", TImageFormat::Gray8, 2, {2}}, FilterCase{"Average", TImageFormat::Gray8, 3, {3}},
                      FilterCase{"Paeth", TImageFormat::A8Gray8, 4, {4}},
                      FilterCase{"DefaultRgbIsPaeth", TImageFormat::R8G8B8, 5, {4}},
                      FilterCase{"DefaultRgbaIsPaeth", TImageFormat::A16B16G16R16, 5, {4}},
                      FilterCase{"DefaultGrayIsNone", TImageFormat::Gray16, 5, {0}},
                      FilterCase{"DefaultPaletteIsNone", TImageFormat::Index8, 5, {0}},
                      FilterCase{"AdaptiveOnPaletteIsNone", TImageFormat::Index8, 6, {0}},
                      FilterCase{"OverSixActsAsDefault", TImageFormat::A8R8G8B8, 7, {4}},
                      FilterCase{"NegativeActsAsDefault", TImageFormat::Gray8, -1, {0}}),
    ::testing::PrintToStringParamName());

// Adaptive filtering chooses per row: a gradient row is best as Sub, a row
// repeating the one above as Up.
TEST(PngWriter, AdaptiveFilterChoosesPerRow) {
  TImageData image;
  NewImage(64, 6, TImageFormat::R8G8B8, image);
  for (size_t i = 0; i < image.Bits.size(); ++i) image.Bits[i] = static_cast<uint8_t>((i % (64 * 3)) * 5 / 3);
  TMemoryStream out;
  EncodePNG(out, image, 6, 5);
  const std::set<int> filters = FilterBytes(StreamBytes(out), image);
  EXPECT_TRUE(filters.count(1) && filters.count(2)) << "filters used: " << filters.size();
}

TEST(PngWriter, CompressionLevelReachesZlibAndFallsBackToFive) {
  const TImageData image = PatternImage(TImageFormat::R8G8B8, 32, 32, TPattern::Smooth);
  std::vector<uint8_t> byLevel[11];
  for (int level : {0, 1, 5, 6, 9, 10}) {
    TMemoryStream out;
    EncodePNG(out, image, 5, level);
    byLevel[level] = StreamBytes(out);
  }
  EXPECT_EQ(ZlibLevelBits(byLevel[1]), 0);
  EXPECT_EQ(ZlibLevelBits(byLevel[5]), 1);
  EXPECT_EQ(ZlibLevelBits(byLevel[6]), 2);
  EXPECT_EQ(ZlibLevelBits(byLevel[9]), 3);
  EXPECT_GT(byLevel[0].size(), image.Bits.size()) << "level 0 stores the rows";
  EXPECT_EQ(byLevel[10], byLevel[5]);
}

// The palette is cut after the highest index in use; tRNS after the last entry
// that is not opaque, and left out when every entry in use is opaque.
TEST(PngWriter, PaletteAndTransparencyChunksAreTrimmed) {
  TImageData image;
  NewImage(4, 1, TImageFormat::Index8, image);
  image.Bits = {0, 2, 1, 2};
  for (auto& entry : image.Palette) entry = TColor32Rec{10, 20, 30, 255};
  TMemoryStream opaque;
  EncodePNG(opaque, image, 5, 5);
  TPngChunks chunks = ParsePngChunks(StreamBytes(opaque));
  EXPECT_EQ(chunks.Types, (std::vector<std::string>{"IHDR", "PLTE", "IDAT", "IEND"}));

  image.Palette[1].A = 0;
  TMemoryStream clear;
  EncodePNG(clear, image, 5, 5);
  const std::vector<uint8_t> bytes = StreamBytes(clear);
  chunks = ParsePngChunks(bytes);
  EXPECT_EQ(chunks.Types, (std::vector<std::string>{"IHDR", "PLTE", "tRNS", "IDAT", "IEND"}));
  TempDir dir;
  WriteFileBytes(dir / "p.png", bytes);
  const std::vector<uint16_t> rgba = ReadRGBA16WithImageMagick(dir / "p.png");
  ASSERT_EQ(rgba.size(), 16u);
  EXPECT_EQ(rgba[3 + 4 * 2], 0) << "pixel 2 uses the transparent entry";
  EXPECT_EQ(rgba[3 + 4 * 1], 65535);
}

// PNG, JPEG and GIF take part in detection by content, before DDS: each knows
// its own signature, none claims a DDS file, and the position stays put.
TEST(CodecWriterContent, SignaturesAndDdsRejection) {
  struct Case {
    TImageFileFormat& format;
    std::string bytes;
    bool accepted;
  };
  TPNGFileFormat png;
  TJPEGFileFormat jpeg;
  TGIFFileFormat gif;
  const std::string dds("DDS |\0\0\0\x07\x10", 10);
  const Case cases[] = {
      {png, "\x89PNG\r\n\x1A\n..", true}, {png, "\x89PNG\r\n\x1A", false}, {png, dds, false},
      {png, "", false},                    {jpeg, "\xFF\xD8\xFF\xE0", true},  {jpeg, "\xFF\xD8", false},
      {jpeg, dds, false},                  {gif, "GIF87a..", true},          {gif, "GIF89a", true},
      {gif, "GIF88a", false},              {gif, dds, false}};
  for (const Case& c : cases) {
    TMemoryStream stream;
    stream.WriteBuffer(c.bytes.data(), static_cast<int64_t>(c.bytes.size()));
    stream.SetPosition(0);
    EXPECT_EQ(c.format.TestFormat(stream), c.accepted) << c.format.FName << " " << c.bytes;
    EXPECT_EQ(stream.Position(), 0);
  }
}

}  // namespace
