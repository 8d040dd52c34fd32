// Block decoders against texels worked out by hand from the format rules.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "BlockDecoding.h"
#include "ImagingTestSupport.h"

using namespace imaging_tests;

namespace {

using TBgra = std::array<uint8_t, 4>;

struct TTexelCase {
  const char* Name;
  TImageFormat Format;
  std::vector<uint8_t> Block;
  std::vector<std::pair<int, TBgra>> Texels;  // texel index (row-major) -> B, G, R, A
};
// Parameters show in test listings by name.
void PrintTo(const TTexelCase& c, std::ostream* os) { *os << c.Name; }

// Red endpoint 0xF800, blue endpoint 0x001F.
const std::vector<uint8_t> kRedBlue = {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0x00, 0x00, 0x00};
const std::vector<uint8_t> kBlueRed = {0x1F, 0x00, 0x00, 0xF8, 0xE4, 0x00, 0x00, 0x00};

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// An interpolated block whose texel t uses index t mod 8 (indices straddle byte edges).
std::vector<uint8_t> AlphaBlock(uint8_t a0, uint8_t a1) {
  uint64_t bits = 0;
  for (int t = 0; t < 16; ++t) bits |= uint64_t(t % 8) << (3 * t);
  std::vector<uint8_t> block = {a0, a1};
  for (int k = 0; k < 6; ++k) block.push_back(static_cast<uint8_t>(bits >> (8 * k)));
  return block;
}

const TTexelCase kCases[] = {
    {"DXT1FourColours", TImageFormat::DXT1, kRedBlue,
     {{0, {0, 0, 255, 255}}, {1, {255, 0, 0, 255}}, {2, {85, 0, 170, 255}}, {3, {170, 0, 85, 255}}}},
    // Endpoint 0 not above endpoint 1: midpoint by shift, fourth colour transparent but keeps its RGB.
    {"DXT1ThreeColoursTransparent", TImageFormat::DXT1, kBlueRed,
     {{0, {255, 0, 0, 255}}, {1, {0, 0, 255, 255}}, {2, {127, 0, 127, 255}}, {3, {85, 0, 170, 0}}}},
    // 0x8000 is above 0x0001 only as an unsigned word; r5 = 16 widens to 131 (not 132).
    {"DXT1UnsignedCompare", TImageFormat::DXT1, {0x00, 0x80, 0x01, 0x00, 0xC0, 0, 0, 0},
     {{3, {5, 0, 44, 255}}, {0, {0, 0, 131, 255}}}},
    // Explicit alpha, low nibble first; the colour block always has four colours.
    {"DXT3", TImageFormat::DXT3, Concat({0x10, 0x32, 0, 0, 0, 0, 0, 0xF0}, kBlueRed),
     {{0, {255, 0, 0, 0}}, {1, {0, 0, 255, 17}}, {2, {170, 0, 85, 34}}, {3, {85, 0, 170, 51}}, {15, {255, 0, 0, 255}}}},
    {"DXT5EightAlphas", TImageFormat::DXT5, Concat(AlphaBlock(200, 100), kRedBlue),
     {{0, {0, 0, 255, 200}}, {1, {255, 0, 0, 100}}, {2, {85, 0, 170, 186}}, {5, {0, 0, 255, 143}},
      {7, {0, 0, 255, 114}}, {10, {0, 0, 255, 186}}, {15, {0, 0, 255, 114}}}},
    {"DXT5SixAlphas", TImageFormat::DXT5, Concat(AlphaBlock(100, 200), kRedBlue),
     {{2, {85, 0, 170, 120}}, {5, {0, 0, 255, 180}}, {6, {0, 0, 255, 0}}, {7, {0, 0, 255, 255}}, {13, {0, 0, 255, 180}}}},
    {"ATI2NRedGreen", TImageFormat::ATI2N, Concat(AlphaBlock(200, 100), AlphaBlock(100, 200)),
     {{0, {0, 100, 200, 255}}, {2, {0, 120, 186, 255}}, {7, {0, 255, 114, 255}}}},
};

class BlockTexels : public ::testing::TestWithParam<TTexelCase> {};

TEST_P(BlockTexels, DecodeToHandComputedValues) {
  const TTexelCase& c = GetParam();
  TImageData image = ImageFromBytes(c.Format, 4, 4, c.Block);
  ConvertImageFormat(image, TImageFormat::A8R8G8B8);
  for (const auto& [texel, want] : c.Texels) {
    const TBgra got = {image.Bits[texel * 4], image.Bits[texel * 4 + 1], image.Bits[texel * 4 + 2],
                       image.Bits[texel * 4 + 3]};
    EXPECT_EQ(got, want) << "texel " << texel;
  }
}

INSTANTIATE_TEST_SUITE_P(Blocks, BlockTexels, ::testing::ValuesIn(kCases),
                         ::testing::PrintToStringParamName());

TEST(BlockDecoding, ATI1NDecodesToGrayWithBothModes) {
  for (auto [a0, a1, texel, want] : {std::tuple{200, 100, 3, 171}, std::tuple{100, 200, 4, 160},
                                     std::tuple{100, 200, 6, 0}, std::tuple{100, 200, 15, 255}}) {
    TImageData image = ImageFromBytes(TImageFormat::ATI1N, 4, 4, AlphaBlock(a0, a1));
    ConvertImageFormat(image, TImageFormat::Gray8);
    EXPECT_EQ(image.Bits[texel], want) << a0 << "/" << a1 << " texel " << texel;
  }
}

// Blocks are laid out row-major, block rows top to bottom, and keep the rounded size.
TEST(BlockDecoding, WalkerPlacesBlocksInRowMajorOrder) {
  std::vector<uint8_t> bytes;
  const uint16_t colours[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};  // red, green, blue, white
  for (uint16_t c : colours) bytes.insert(bytes.end(), {uint8_t(c), uint8_t(c >> 8), 0, 0, 0, 0, 0, 0});
  TImageData image = ImageFromBytes(TImageFormat::DXT1, 6, 7, bytes);
  ASSERT_EQ(image.Width, 8);
  ASSERT_EQ(image.Height, 8);
  ConvertImageFormat(image, TImageFormat::A8R8G8B8);
  ASSERT_EQ(image.Width, 8);
  const auto texel = [&](int x, int y) { return std::array<uint8_t, 3>{image.Bits[(y * 8 + x) * 4], image.Bits[(y * 8 + x) * 4 + 1], image.Bits[(y * 8 + x) * 4 + 2]}; };
  EXPECT_EQ(texel(3, 3), (std::array<uint8_t, 3>{0, 0, 255}));
  EXPECT_EQ(texel(4, 0), (std::array<uint8_t, 3>{0, 255, 0}));
  EXPECT_EQ(texel(0, 4), (std::array<uint8_t, 3>{255, 0, 0}));
  EXPECT_EQ(texel(7, 7), (std::array<uint8_t, 3>{255, 255, 255}));
}

// The encoders are used by the conversion to block formats and by the DDS maker:
// what they write must decode close to what went in.
TEST(BlockEncoding, RoundTripStaysClose) {
  for (TImageFormat format : {TImageFormat::DXT1, TImageFormat::DXT3, TImageFormat::DXT5, TImageFormat::ATI2N}) {
    TImageData source;
    NewImage(8, 8, TImageFormat::A8R8G8B8, source);
    for (int i = 0; i < 64; ++i) {
      // Smooth gradients, red against blue, and two alpha levels so DXT1 can keep them.
      const int x = i % 8, y = i / 8;
      source.Bits[i * 4 + 0] = static_cast<uint8_t>(10 * x + 3 * y);
      source.Bits[i * 4 + 1] = static_cast<uint8_t>(100 + 5 * y);
      source.Bits[i * 4 + 2] = static_cast<uint8_t>(200 - 7 * x - 2 * y);
      source.Bits[i * 4 + 3] = i % 5 == 0 ? 0 : 255;
    }
    TImageData encoded = source;
    ConvertImageFormat(encoded, format);
    ASSERT_EQ(encoded.Format, format);
    ConvertImageFormat(encoded, TImageFormat::A8R8G8B8);
    for (int i = 0; i < 64; ++i) {
      const int want_alpha = format == TImageFormat::ATI2N ? 255 : source.Bits[i * 4 + 3];
      EXPECT_NEAR(encoded.Bits[i * 4 + 3], want_alpha, format == TImageFormat::DXT3 ? 8 : 0) << GetFormatName(format);
      if (want_alpha == 0) continue;
      for (int k = format == TImageFormat::ATI2N ? 1 : 0; k < 3; ++k) {
        EXPECT_NEAR(encoded.Bits[i * 4 + k], source.Bits[i * 4 + k], 16) << GetFormatName(format) << " texel " << i;
      }
    }
  }
}

}  // namespace
