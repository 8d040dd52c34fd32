// Grey, pixel, arbitrary and float maps read back by ImageMagick (and Pillow
// where it reads the variant), with their headers checked byte for byte.
#include <gtest/gtest.h>

#include <memory>

#include "PortableMapFormats.h"
#include "TestSupport.h"
#include "WriterReadBack.h"

namespace {

using namespace writer_readback;
using F = TImageFormat;

enum class Map { PGM, PPM, PlainPGM, PlainPPM, PAM, PFM };

std::unique_ptr<TImageFileFormat> MakeWriter(Map map) {
  if (map == Map::PAM) return std::make_unique<TPAMFileFormat>();
  if (map == Map::PFM) return std::make_unique<TPFMFileFormat>();
  std::unique_ptr<TAnyMapFileFormat> writer;
  if (map == Map::PGM || map == Map::PlainPGM) writer = std::make_unique<TPGMFileFormat>();
  else writer = std::make_unique<TPPMFileFormat>();
  writer->FSaveBinary = map == Map::PGM || map == Map::PPM;
  return writer;
}

struct MapCase {
  const char* Name;
  Map Writer;
  F Format;
  const char* Header;
  int SampleBytes;  // per pixel in a binary file; 0 for the text variants
  bool Pillow;      // Pillow reads this variant
};

void PrintTo(const MapCase& c, std::ostream* os) { *os << c.Name; }

constexpr int W = 7, H = 5;

const MapCase kCases[] = {
    {"PgmGray8", Map::PGM, F::Gray8, "P5\n7 5\n255\n", 1, true},
    {"PgmGray16", Map::PGM, F::Gray16, "P5\n7 5\n65535\n", 2, true},
    {"PlainPgmGray16", Map::PlainPGM, F::Gray16, "P2\n7 5\n65535\n", 0, true},
    {"PpmR8G8B8", Map::PPM, F::R8G8B8, "P6\n7 5\n255\n", 3, true},
    {"PpmR16G16B16", Map::PPM, F::R16G16B16, "P6\n7 5\n65535\n", 6, true},
    {"PlainPpmR8G8B8", Map::PlainPPM, F::R8G8B8, "P3\n7 5\n255\n", 0, true},
    {"PamGray8", Map::PAM, F::Gray8, "P7\nWIDTH 7\nHEIGHT 5\nDEPTH 1\nMAXVAL 255\nTUPLTYPE GRAYSCALE\nENDHDR\n", 1,
     false},
    {"PamA8Gray8", Map::PAM, F::A8Gray8,
     "P7\nWIDTH 7\nHEIGHT 5\nDEPTH 2\nMAXVAL 255\nTUPLTYPE GRAYSCALE_ALPHA\nENDHDR\n", 2, false},
    {"PamGray16", Map::PAM, F::Gray16, "P7\nWIDTH 7\nHEIGHT 5\nDEPTH 1\nMAXVAL 65535\nTUPLTYPE GRAYSCALE\nENDHDR\n",
     2, false},
    {"PamA16Gray16", Map::PAM, F::A16Gray16,
     "P7\nWIDTH 7\nHEIGHT 5\nDEPTH 2\nMAXVAL 65535\nTUPLTYPE GRAYSCALE_ALPHA\nENDHDR\n", 4, false},
    {"PamR8G8B8", Map::PAM, F::R8G8B8, "P7\nWIDTH 7\nHEIGHT 5\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n", 3, false},
    {"PamA8R8G8B8", Map::PAM, F::A8R8G8B8,
     "P7\nWIDTH 7\nHEIGHT 5\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n", 4, false},
    {"PamR16G16B16", Map::PAM, F::R16G16B16,
     "P7\nWIDTH 7\nHEIGHT 5\nDEPTH 3\nMAXVAL 65535\nTUPLTYPE RGB\nENDHDR\n", 6, false},
    {"PamA16R16G16B16", Map::PAM, F::A16R16G16B16,
     "P7\nWIDTH 7\nHEIGHT 5\nDEPTH 4\nMAXVAL 65535\nTUPLTYPE RGB_ALPHA\nENDHDR\n", 8, false},
    {"PfmR32F", Map::PFM, F::R32F, "Pf\n7 5\n-1.0\n", 4, false},
    {"PfmA32B32G32R32F", Map::PFM, F::A32B32G32R32F, "PF\n7 5\n-1.0\n", 12, false},
};

class PortableMapWriter : public ::testing::TestWithParam<MapCase> {};

TEST_P(PortableMapWriter, HeaderAndPixelsReadBack) {
  const MapCase& c = GetParam();
  testing_support::TempDir dir;
  const auto file = dir / (c.Writer == Map::PFM ? "t.pfm" : c.Writer == Map::PAM ? "t.pam" : "t.pnm");
  const auto writer = MakeWriter(c.Writer);
  const TImageData image = MakePatternImage(c.Format, W, H);
  const std::vector<uint8_t> bytes = WritePicture(*writer, image, file);

  const std::string header(c.Header);
  ASSERT_GE(bytes.size(), header.size());
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(header.size())), header);
  if (c.SampleBytes > 0) EXPECT_EQ(bytes.size(), header.size() + size_t{W} * H * c.SampleBytes);

  const auto expected = ExpectedPixels(image);
  TCompare how;
  how.IgnoreAlpha = c.Writer == Map::PFM;  // float maps have no alpha
  EXPECT_TRUE(SamePixels(ReadWithMagick16(file), W, H, expected, how)) << "ImageMagick";
  if (c.Pillow) EXPECT_TRUE(SamePixels(ReadWithPillow16({file})[0], W, H, expected, how)) << "Pillow";
}

INSTANTIATE_TEST_SUITE_P(Variants, PortableMapWriter, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// The plain variants keep their lines within 70 characters.
TEST(PortableMapWriterPlain, LinesStayShort) {
  TPPMFileFormat writer;
  writer.FSaveBinary = false;
  testing_support::TempDir dir;
  const auto bytes = WritePicture(writer, MakePatternImage(F::R16G16B16, 40, 2), dir / "t.ppm");
  size_t lineLength = 0;
  for (uint8_t b : bytes) {
    lineLength = b == '\n' ? 0 : lineLength + 1;
    ASSERT_LE(lineLength, 70u);
  }
}

}  // namespace
