// The BMP writer, checked by independent readers with exact pixels: every pixel
// format the writer takes as it is, the RLE8 path, and the grey conversion.
#include <gtest/gtest.h>

#include <random>

#include "BMPFormat.h"
#include "ExportSamples.h"
#include "PictureReaders.h"
#include "TestSupport.h"

namespace {

using namespace testing_support;

uint32_t LE(const std::vector<uint8_t>& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b.at(at + static_cast<size_t>(i));
  return v;
}

ExportSample Indexed(int32_t w, int32_t h) {
  ExportSample s;
  NewImage(w, h, TImageFormat::Index8, s.image);
  std::minstd_rand random(7);
  for (TColor32Rec& c : s.image.Palette) {
    c = {static_cast<uint8_t>(random()), static_cast<uint8_t>(random()), static_cast<uint8_t>(random()), 255};
  }
  s.image.Bits = RunnyBytes(s.image.Bits.size(), 11);
  for (uint8_t index : s.image.Bits) {
    const TColor32Rec& c = s.image.Palette[index];
    s.rgba.insert(s.rgba.end(), {c.R, c.G, c.B, 255});
  }
  return s;
}

ExportSample Grey(int32_t w, int32_t h) {
  ExportSample s;
  NewImage(w, h, TImageFormat::Gray8, s.image);
  s.image.Bits = RunnyBytes(s.image.Bits.size(), 5);
  for (uint8_t v : s.image.Bits) s.rgba.insert(s.rgba.end(), {v, v, v, 255});
  return s;
}

enum class Reader { Pillow, ImageMagick };

struct Case {
  const char* name;
  ExportSample (*make)();
  bool useRle;
  Reader reader;
  uint32_t bitCount, compression, infoSize;
};

const Case kCases[] = {
    // 32-bit BI_RGB: Pillow ignores the fourth byte, ImageMagick reads it as alpha.
    {"A8R8G8B8", [] { return RandomByteChannels(TImageFormat::A8R8G8B8, 7, 3, true); }, true, Reader::ImageMagick, 32, 0, 40},
    {"X8R8G8B8", [] { return RandomByteChannels(TImageFormat::X8R8G8B8, 6, 2, false); }, true, Reader::Pillow, 32, 0, 40},
    {"R8G8B8 with row padding", [] { return RandomByteChannels(TImageFormat::R8G8B8, 5, 3, false); }, true, Reader::Pillow,
     24, 0, 40},
    {"R5G6B5", [] { return ExtremeBitFields(TImageFormat::R5G6B5, 5, 4); }, true, Reader::Pillow, 16, 3, 40},
    {"X1R5G5B5", [] { return ExtremeBitFields(TImageFormat::X1R5G5B5, 3, 3); }, true, Reader::Pillow, 16, 0, 40},
    {"X4R4G4B4", [] { return ExtremeBitFields(TImageFormat::X4R4G4B4, 5, 4, {240, 240, 240, 255}); }, true, Reader::ImageMagick, 16, 3, 40},
    {"A1R5G5B5", [] { return ExtremeBitFields(TImageFormat::A1R5G5B5, 5, 4, {255, 255, 255, 128}); }, true, Reader::ImageMagick, 16, 3, 108},
    {"A4R4G4B4", [] { return ExtremeBitFields(TImageFormat::A4R4G4B4, 4, 4, {240, 240, 240, 240}); }, true, Reader::ImageMagick, 16, 3, 108},
    {"Index8 RLE8", [] { return Indexed(301, 9); }, true, Reader::Pillow, 8, 1, 40},
    {"Index8 RLE8 one pixel", [] { return Indexed(1, 1); }, true, Reader::Pillow, 8, 1, 40},
    {"Index8 uncompressed", [] { return Indexed(13, 3); }, false, Reader::Pillow, 8, 0, 40},
    {"Gray8 as RLE8 with grey palette", [] { return Grey(257, 5); }, true, Reader::Pillow, 8, 1, 40},
};

TEST(BmpWriter, IndependentReadersSeeTheExactPixels) {
  TempDir dir;
  std::vector<std::filesystem::path> paths;
  std::vector<ExportSample> samples;
  for (const Case& c : kCases) {
    TBMPFileFormat bmp;
    bmp.FUseRLE = c.useRle;
    samples.push_back(c.make());
    paths.push_back(dir / (std::string(c.name) + ".bmp"));
    ASSERT_TRUE(bmp.SaveImageToFile(paths.back().string(), samples.back().image)) << c.name;
  }
  const std::vector<DecodedPicture> pillow = ReadWithPillow(paths);
  for (size_t i = 0; i < std::size(kCases); ++i) {
    const Case& c = kCases[i];
    SCOPED_TRACE(c.name);
    const TImageData& image = samples[i].image;
    const std::vector<uint8_t> file = ReadFileBytes(paths[i]);
    ASSERT_GE(file.size(), 54u);
    EXPECT_EQ(LE(file, 0, 2), 0x4D42u);
    EXPECT_EQ(LE(file, 2, 4), file.size());
    EXPECT_EQ(LE(file, 14, 4), c.infoSize);
    EXPECT_EQ(LE(file, 28, 2), c.bitCount);
    EXPECT_EQ(LE(file, 30, 4), c.compression);
    EXPECT_EQ(LE(file, 34, 4), file.size() - LE(file, 10, 4)) << "image size field";
    EXPECT_EQ(LE(file, 38, 4), 2835u);
    EXPECT_EQ(LE(file, 42, 4), 2835u);

    const DecodedPicture picture = c.reader == Reader::Pillow ? pillow[i] : ReadWithImageMagick(paths[i]);
    ASSERT_TRUE(picture.ok) << picture.error;
    EXPECT_EQ(picture.width, image.Width);
    EXPECT_EQ(picture.height, image.Height);
    EXPECT_TRUE(picture.rgba == samples[i].rgba);
  }
}

TEST(BmpWriter, ContentTestAcceptsBitmapsOnly) {
  struct Row {
    const char* name;
    std::string bytes;
    bool accepted;
  };
  const std::string bm40 = std::string("BM") + std::string(12, '\0') + std::string("\x28\0\0\0", 4);
  const Row rows[] = {
      {"version 3 header", bm40, true},
      {"version 4 header", std::string("BM") + std::string(12, '\0') + std::string("\x6C\0\0\0", 4), true},
      {"DDS texture", std::string("DDS |") + std::string(200, '\0'), false},
      {"unknown header size", std::string("BM") + std::string(12, '\0') + std::string("\x29\0\0\0", 4), false},
      {"too short", bm40.substr(0, 17), false},
      {"empty", "", false},
  };
  for (const Row& row : rows) {
    TMemoryStream stream;
    stream.WriteBuffer("xx", 2);
    stream.WriteBuffer(row.bytes.data(), static_cast<int64_t>(row.bytes.size()));
    stream.SetPosition(2);
    EXPECT_EQ(TBMPFileFormat().TestFormat(stream), row.accepted) << row.name;
    EXPECT_EQ(stream.Position(), 2) << row.name;
  }
}

}  // namespace

namespace {

// Saving to a file converts band by band; the bytes must be those of converting
// the whole image first, whatever the band boundaries cut through.
TEST(BmpWriter, ConvertingWhileWritingMatchesConvertingFirst) {
  using enum TImageFormat;
  struct Row {
    TImageFormat format;
    int32_t width, height;
  };
  const Row rows[] = {
      {DXT1, 30, 30},    {DXT5, 1024, 72},  {ATI2N, 8, 4},       {A16R16G16B16, 3, 37},
      {R16G16B16, 4000, 37}, {R3G3B2, 5, 3}, {A32R32G32B32F, 7, 2}, {A8Gray8, 3, 5},
  };
  TempDir dir;
  for (const Row& row : rows) {
    const TImageData image = RandomImage(row.format, row.width, row.height, 21);
    TMemoryStream whole;
    TBMPFileFormat().SaveImageToStream(whole, image);
    const auto path = dir / "banded.bmp";
    ASSERT_TRUE(TBMPFileFormat().SaveImageToFile(path.string(), image));
    EXPECT_TRUE(ReadFileBytes(path) == std::vector<uint8_t>(whole.Memory(), whole.Memory() + whole.Size()))
        << GetFormatName(row.format);
  }
}

}  // namespace
