// DDS textures through the whole export path into the codec-backed formats:
// the conversion each target asks for and what an independent reader then sees.
#include <gtest/gtest.h>

#include "DdsMaker.h"
#include "Export.h"
#include "PictureReaders.h"
#include "SingleImage.h"
#include "TestSupport.h"
#include "WriterTestSupport.h"

using namespace writer_tests;
using testing_support::ReadWithPillow;
using testing_support::TempDir;

namespace {

constexpr int kWidth = 40, kHeight = 28;

std::vector<uint8_t> SmoothBgra(bool clearCorner) {
  const TImageData image = PatternImage(TImageFormat::A8R8G8B8, kWidth, kHeight, TPattern::Smooth);
  std::vector<uint8_t> bgra = image.Bits;
  for (size_t i = 3; i < bgra.size(); i += 4) {
    const size_t pixel = i / 4;
    const bool corner = pixel % kWidth < 8 && pixel / kWidth < 8;
    bgra[i] = clearCorner && corner ? 0 : 255;
  }
  return bgra;
}

std::vector<uint8_t> Dxt5Texture() {
  return MakeBlockDds(TImageFormat::DXT5, SmoothBgra(true), kWidth, kHeight, 3);
}

std::vector<uint8_t> X8Texture() {
  std::vector<uint8_t> pixels = SmoothBgra(false);
  for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 0;  // X byte 0: must not become transparency
  return BuildDds(DdsMaskHeader(kWidth, kHeight, dds::kPfRGB, 32, 0xFF0000, 0xFF00, 0xFF, 0), pixels);
}

std::vector<uint8_t> Gray8Texture() {
  const TImageData image = PatternImage(TImageFormat::Gray8, kWidth, kHeight, TPattern::Smooth);
  return BuildDds(DdsMaskHeader(kWidth, kHeight, dds::kPfLuminance, 8, 0xFF, 0, 0, 0), image.Bits);
}

// The texture's main image as 16-bit RGBA, decoded by our own loader.
std::vector<uint16_t> MainImageRGBA16(const std::vector<uint8_t>& dds) {
  TMemoryStream stream;
  stream.WriteBuffer(dds.data(), static_cast<int64_t>(dds.size()));
  stream.SetPosition(0);
  TSingleImage image;
  image.LoadFromStream(stream);
  ConvertImageFormat(image.FImageData, TImageFormat::A8R8G8B8);
  return ExpectedRGBA16(image.FImageData);
}

struct EdgeCase {
  const char* name;
  std::vector<uint8_t> (*texture)();
  const char* fileName;
  const char* pillowMode;  // RGBA 32-bit, RGB 24-bit, L 8-bit grey, P paletted
  double minPsnr;          // 999: exact
  bool checkAlpha;         // the alpha channel must match too
};
// Parameters show in test listings by name.
void PrintTo(const EdgeCase& c, std::ostream* os) { *os << c.name; }

class ExportEdge : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(ExportEdge, WritesWhatTheTargetShouldHold) {
  const EdgeCase& c = GetParam();
  const std::vector<uint8_t> dds = c.texture();
  TMemoryStream source;
  source.WriteBuffer(dds.data(), static_cast<int64_t>(dds.size()));
  source.SetPosition(0);
  TempDir dir;
  const auto path = dir / c.fileName;
  ASSERT_EQ(ExportMainImage(source, path.string()).Outcome, TExportOutcome::Written);

  const auto pictures = ReadWithPillow({path});
  ASSERT_TRUE(pictures[0].ok) << pictures[0].error;
  EXPECT_EQ(pictures[0].mode, c.pillowMode);
  EXPECT_EQ(pictures[0].width, kWidth);
  EXPECT_EQ(pictures[0].height, kHeight);
  std::vector<uint16_t> read(pictures[0].rgba.begin(), pictures[0].rgba.end());
  for (uint16_t& v : read) v = static_cast<uint16_t>(v * 257);
  std::vector<uint16_t> expected = MainImageRGBA16(dds);
  EXPECT_GE(PSNR16(read, expected), c.minPsnr);
  if (c.checkAlpha) {
    EXPECT_EQ(PSNR16(read, expected, true), 999);
  } else {
    for (size_t i = 3; i < read.size(); i += 4) ASSERT_EQ(read[i], 65535) << "opaque everywhere";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Textures, ExportEdge,
    ::testing::Values(EdgeCase{"Dxt5ToPng", Dxt5Texture, "t.png", "RGBA", 999, true},
                      EdgeCase{"Dxt5ToJpeg", Dxt5Texture, "t.jpg", "RGB", 35, false},
                      EdgeCase{"Dxt5ToTiff", Dxt5Texture, "t.tif", "RGBA", 999, true},
                      EdgeCase{"Dxt5ToGif", Dxt5Texture, "t.gif", "P", 30, true},
                      EdgeCase{"X8ToPngIsOpaque", X8Texture, "t.png", "RGB", 999, false},
                      EdgeCase{"Gray8ToPng", Gray8Texture, "t.png", "L", 999, false},
                      EdgeCase{"Gray8ToJpeg", Gray8Texture, "t.jpg", "L", 35, false}),
    ::testing::PrintToStringParamName());

}  // namespace
