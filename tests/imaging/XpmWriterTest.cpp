// X pixmaps read back by ImageMagick and (for one character per pixel) Pillow:
// colours exact, fully transparent pixels as None, the colour table holding
// exactly the colours used, and enough characters per pixel for them.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "TestSupport.h"
#include "WriterReadBack.h"
#include "XPMFormat.h"

namespace {

using namespace writer_readback;
using F = TImageFormat;

struct XpmCase {
  const char* Name;
  int32_t Width, Height;
  int CharsPerPixel;
  bool Pillow;  // Pillow reads one character per pixel only
};

void PrintTo(const XpmCase& c, std::ostream* os) { *os << c.Name; }

const XpmCase kCases[] = {
    {"FewColors", 7, 5, 1, true},
    {"Hundreds", 20, 10, 2, false},
    {"TenThousand", 100, 100, 3, false},
};

// The pattern with every pixel a colour of its own, except the transparent ones.
TImageData DistinctColors(int32_t width, int32_t height) {
  TImageData image = MakePatternImage(F::A8R8G8B8, width, height);
  for (int32_t i = 0; i < width * height; ++i) {
    uint8_t* p = &image.Bits[4 * static_cast<size_t>(i)];
    p[0] = static_cast<uint8_t>(i);
    p[1] = static_cast<uint8_t>(i >> 8);
  }
  return image;
}

size_t ColorsUsed(const TImageData& image) {
  std::set<uint32_t> colors;
  for (size_t i = 0; i < image.Bits.size(); i += 4) {
    const uint8_t* p = &image.Bits[i];
    colors.insert(p[3] == 0 ? 0xFFFFFFFFu : uint32_t(p[0]) | p[1] << 8 | p[2] << 16);
  }
  return colors.size();
}

class XpmWriter : public ::testing::TestWithParam<XpmCase> {};

TEST_P(XpmWriter, ColorTableAndPixelsReadBack) {
  const XpmCase& c = GetParam();
  testing_support::TempDir dir;
  const auto file = dir / "t.xpm";
  TXPMFileFormat writer;
  const TImageData image = c.Width * c.Height > 35 ? DistinctColors(c.Width, c.Height)
                                                   : MakePatternImage(F::A8R8G8B8, c.Width, c.Height);
  const auto bytes = WritePicture(writer, image, file);

  const std::string text(bytes.begin(), bytes.end());
  ASSERT_EQ(text.rfind("/* XPM */\n", 0), 0u);
  const size_t values = text.find("\"", text.find("{"));
  ASSERT_NE(values, std::string::npos);
  int width = 0, height = 0, chars = 0;
  size_t colors = 0;
  std::istringstream(text.substr(values + 1)) >> width >> height >> colors >> chars;
  EXPECT_EQ(width, c.Width);
  EXPECT_EQ(height, c.Height);
  EXPECT_EQ(colors, ColorsUsed(image));
  EXPECT_EQ(chars, c.CharsPerPixel);

  // Partly transparent pixels are written opaque: the format knows only None.
  auto expected = ExpectedPixels(image);
  for (TRgba16& p : expected) p.A = p.A == 0 ? 0 : 65535;
  TCompare how;
  how.IgnoreColorOfTransparent = true;
  EXPECT_TRUE(SamePixels(ReadWithMagick16(file), c.Width, c.Height, expected, how)) << "ImageMagick";
  if (c.Pillow) EXPECT_TRUE(SamePixels(ReadWithPillow16({file})[0], c.Width, c.Height, expected, how)) << "Pillow";
}

INSTANTIATE_TEST_SUITE_P(Sizes, XpmWriter, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
