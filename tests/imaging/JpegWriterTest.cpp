#include <gtest/gtest.h>

#include "JPEGFormat.h"
#include "PictureReaders.h"
#include "TestSupport.h"
#include "WriterTestSupport.h"

using namespace writer_tests;
using testing_support::ReadWithPillow;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

// The start-of-frame marker (0xC0 baseline, 0xC2 progressive) and its component
// count, walking the marker segments up to the first scan.
struct FrameInfo {
  int marker = 0;
  int components = 0;
};

FrameInfo ReadFrame(const std::vector<uint8_t>& jpeg) {
  size_t at = 2;
  while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF) {
    const int marker = jpeg[at + 1];
    const size_t length = size_t{jpeg[at + 2]} << 8 | jpeg[at + 3];
    if (marker == 0xDA) break;
    if ((marker == 0xC0 || marker == 0xC2) && at + 9 < jpeg.size()) return {marker, jpeg[at + 9]};
    at += 2 + length;
  }
  return {};
}

std::vector<uint16_t> Widen(const std::vector<uint8_t>& rgba) {
  std::vector<uint16_t> wide(rgba.size());
  for (size_t i = 0; i < rgba.size(); ++i) wide[i] = static_cast<uint16_t>(rgba[i] * 257);
  return wide;
}

struct JpegCase {
  TImageFormat format;
  const char* pillowMode;
  int components;
};
// Parameters show in test listings by name.
void PrintTo(const JpegCase& c, std::ostream* os) { *os << GetFormatName(c.format); }

class JpegLayout : public ::testing::TestWithParam<JpegCase> {};

// Sides that are not multiples of the 8x8 or 16x16 coding units on purpose.
TEST_P(JpegLayout, BaselineFileReadsBackWithinTolerance) {
  const JpegCase& c = GetParam();
  const TImageData image = PatternImage(c.format, 45, 37, TPattern::Smooth);
  TJPEGFileFormat jpeg;
  const std::vector<uint8_t> bytes = Encode(jpeg, image);
  const FrameInfo frame = ReadFrame(bytes);
  EXPECT_EQ(frame.marker, 0xC0);
  EXPECT_EQ(frame.components, c.components);

  TempDir dir;
  WriteFileBytes(dir / "t.jpg", bytes);
  const auto pictures = ReadWithPillow({dir / "t.jpg"});
  ASSERT_TRUE(pictures[0].ok) << pictures[0].error;
  EXPECT_EQ(pictures[0].mode, c.pillowMode);
  EXPECT_EQ(pictures[0].width, 45);
  EXPECT_EQ(pictures[0].height, 37);
  EXPECT_GE(PSNR16(Widen(pictures[0].rgba), ExpectedRGBA16(image)), 35.0);
}

INSTANTIATE_TEST_SUITE_P(Formats, JpegLayout,
                         ::testing::Values(JpegCase{TImageFormat::Gray8, "L", 1},
                                           JpegCase{TImageFormat::R8G8B8, "RGB", 3}),
                         ::testing::PrintToStringParamName());

TEST(JpegWriter, QualityOutsideTheScaleActsAsNinety) {
  const TImageData image = PatternImage(TImageFormat::R8G8B8, 32, 24, TPattern::Smooth);
  TJPEGFileFormat jpeg;
  const std::vector<uint8_t> reference = Encode(jpeg, image);
  for (int quality : {0, 101, -7}) {
    jpeg.FQuality = quality;
    EXPECT_EQ(Encode(jpeg, image), reference) << "quality " << quality;
  }
  jpeg.FQuality = 40;
  EXPECT_LT(Encode(jpeg, image).size(), reference.size());
}

TEST(JpegWriter, ProgressiveSettingWritesProgressiveFrame) {
  TJPEGFileFormat jpeg;
  jpeg.FProgressive = true;
  EXPECT_EQ(ReadFrame(Encode(jpeg, PatternImage(TImageFormat::Gray8, 16, 16))).marker, 0xC2);
}

}  // namespace
