#include <gtest/gtest.h>

#include "JPEG2000Format.h"
#include "TestSupport.h"
#include "WriterTestSupport.h"

using namespace writer_tests;
using testing_support::RunProgram;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

uint32_t BigEndian32(const uint8_t* p) { return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]; }

// Box types in order, from offset `begin` to `end`.
std::vector<std::string> Boxes(const std::vector<uint8_t>& file, size_t begin, size_t end) {
  std::vector<std::string> types;
  while (begin + 8 <= end) {
    const size_t length = BigEndian32(&file[begin]);
    types.emplace_back(file.begin() + begin + 4, file.begin() + begin + 8);
    if (length < 8 || length > end - begin) break;
    begin += length;
  }
  return types;
}

std::vector<std::string> HeaderBoxes(const std::vector<uint8_t>& file) {
  size_t at = 0;
  while (at + 8 <= file.size()) {
    const size_t length = BigEndian32(&file[at]);
    if (std::string(file.begin() + at + 4, file.begin() + at + 8) == "jp2h") return Boxes(file, at + 8, at + length);
    if (length < 8) break;
    at += length;
  }
  return {};
}

struct J2kCase {
  TImageFormat format;
  int components;
  int precision;
  bool alpha;
};
// Parameters show in test listings by name.
void PrintTo(const J2kCase& c, std::ostream* os) { *os << GetFormatName(c.format); }

class J2kLayout : public ::testing::TestWithParam<J2kCase> {};

TEST_P(J2kLayout, Jp2FileWithItsBoxesReadsBackWithinTolerance) {
  const J2kCase& c = GetParam();
  const TImageData image = PatternImage(c.format, 64, 48, TPattern::Smooth);
  TJPEG2000FileFormat j2k;
  const std::vector<uint8_t> bytes = Encode(j2k, image);

  EXPECT_EQ(Boxes(bytes, 0, bytes.size()), (std::vector<std::string>{"jP  ", "ftyp", "jp2h", "jp2c"}));
  std::vector<std::string> header{"ihdr", "colr"};
  if (c.alpha) header.push_back("cdef");
  EXPECT_EQ(HeaderBoxes(bytes), header);

  TempDir dir;
  WriteFileBytes(dir / "t.jp2", bytes);
  const auto dump = RunProgram({"/usr/bin/opj_dump", "-i", (dir / "t.jp2").string()});
  EXPECT_NE(dump.out.find("numcomps=" + std::to_string(c.components) + "\n"), std::string::npos) << dump.out;
  EXPECT_NE(dump.out.find("prec=" + std::to_string(c.precision) + "\n"), std::string::npos) << dump.out;

  const std::vector<uint16_t> expected = ExpectedRGBA16(image);
  std::string error;
  const std::vector<uint16_t> read = ReadRGBA16WithImageMagick(dir / "t.jp2", &error);
  EXPECT_GE(PSNR16(read, expected), 35.0) << error;
  if (c.alpha) EXPECT_GE(PSNR16(read, expected, true), 35.0);
}

INSTANTIATE_TEST_SUITE_P(Formats, J2kLayout,
                         ::testing::Values(J2kCase{TImageFormat::Gray8, 1, 8, false},
                                           J2kCase{TImageFormat::A8Gray8, 2, 8, true},
                                           J2kCase{TImageFormat::Gray16, 1, 16, false},
                                           J2kCase{TImageFormat::A16Gray16, 2, 16, true},
                                           J2kCase{TImageFormat::R8G8B8, 3, 8, false},
                                           J2kCase{TImageFormat::A8R8G8B8, 4, 8, true},
                                           J2kCase{TImageFormat::R16G16B16, 3, 16, false},
                                           J2kCase{TImageFormat::A16R16G16B16, 4, 16, true}),
                         ::testing::PrintToStringParamName());

// Quality behaves as a scale: more quality, more bytes and no less fidelity;
// values off the scale act as 80.
TEST(Jpeg2000Writer, QualityIsAScale) {
  const TImageData image = PatternImage(TImageFormat::R8G8B8, 96, 64, TPattern::Noise);
  const std::vector<uint16_t> expected = ExpectedRGBA16(image);
  TempDir dir;
  size_t lastSize = 0;
  double lastPsnr = 0;
  for (int quality : {10, 50, 80, 100}) {
    TJPEG2000FileFormat j2k;
    j2k.FQuality = quality;
    const std::vector<uint8_t> bytes = Encode(j2k, image);
    WriteFileBytes(dir / "q.jp2", bytes);
    const double psnr = PSNR16(ReadRGBA16WithImageMagick(dir / "q.jp2"), expected);
    EXPECT_GT(bytes.size(), lastSize) << "quality " << quality;
    EXPECT_GE(psnr, lastPsnr) << "quality " << quality;
    lastSize = bytes.size();
    lastPsnr = psnr;
  }
  TJPEG2000FileFormat reference, offScale;
  offScale.FQuality = 0;
  EXPECT_EQ(Encode(offScale, image), Encode(reference, image));
}

// Fewer wavelet levels fit tiny images; each still encodes and decodes.
TEST(Jpeg2000Writer, TinyImages) {
  TempDir dir;
  for (auto [width, height] : {std::pair{1, 1}, {1, 9}, {5, 2}, {33, 3}}) {
    const TImageData image = PatternImage(TImageFormat::A8R8G8B8, width, height);
    TJPEG2000FileFormat j2k;
    WriteFileBytes(dir / "s.jp2", Encode(j2k, image));
    EXPECT_EQ(ReadRGBA16WithImageMagick(dir / "s.jp2").size(), size_t(4) * width * height) << width << "x" << height;
  }
}

TEST(Jpeg2000Writer, SettingsForCodestreamAndLossless) {
  const TImageData image = PatternImage(TImageFormat::A16Gray16, 20, 12);
  TJPEG2000FileFormat j2k;
  j2k.FCodeStreamOnly = true;
  j2k.FLosslessCompression = true;
  const std::vector<uint8_t> bytes = Encode(j2k, image);
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(BigEndian32(bytes.data()), 0xFF4FFF51u) << "SOC then SIZ";
  TempDir dir;
  WriteFileBytes(dir / "t.j2k", bytes);
  // A bare codestream cannot mark its second channel as alpha; grey comes back exactly.
  EXPECT_EQ(PSNR16(ReadRGBA16WithImageMagick(dir / "t.j2k"), ExpectedRGBA16(image)), 999);
}

}  // namespace
