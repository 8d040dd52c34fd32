// ConvertImageFormat: one pixel through each rule, every pair of formats, the
// colour reduction, and the failure texts.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <set>

#include "Exceptions.h"
#include "ImagingTestSupport.h"

using namespace imaging_tests;

namespace {

using F = TImageFormat;

std::vector<uint8_t> Float32(std::initializer_list<float> values) {
  std::vector<uint8_t> out;
  for (float v : values) {
    const uint32_t bits = std::bit_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(bits >> (8 * i)));
  }
  return out;
}

std::vector<uint8_t> Words(std::initializer_list<uint16_t> values) {
  std::vector<uint8_t> out;
  for (uint16_t v : values) out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8)});
  return out;
}

struct TPixelCase {
  const char* Name;
  F From;
  std::vector<uint8_t> In;
  F To;
  std::vector<uint8_t> Out;
};
// Parameters show in test listings by name.
void PrintTo(const TPixelCase& c, std::ostream* os) { *os << c.Name; }

const TPixelCase kPixelCases[] = {
    // Packed fields widen as c * 255 / (2^n - 1): 16 of 31 is 131, 32 of 63 is 129.
    {"R5G6B5Widens", F::R5G6B5, Words({0x8410}), F::A8R8G8B8, {131, 129, 131, 255}},
    {"R3G3B2Widens", F::R3G3B2, {0x49}, F::R8G8B8, {85, 72, 72}},
    {"A4R4G4B4Widens", F::A4R4G4B4, Words({0x8F00}), F::A8R8G8B8, {0, 0, 255, 136}},
    {"A1R5G5B5AlphaBit", F::A1R5G5B5, Words({0x7FFF}), F::A8R8G8B8, {255, 255, 255, 0}},
    // Narrowing keeps the top bits.
    {"R5G6B5Narrows", F::A8R8G8B8, {0xFF, 0x80, 0x7F, 0x00}, F::R5G6B5, Words({0x7C1F})},
    {"X1R5G5B5SetsXBit", F::R8G8B8, {0, 0, 0}, F::X1R5G5B5, Words({0x8000})},
    // 16 to 8 bits is v * 255 / 65535, not a shift (0xFFFE gives 254); 8 to 16 is c * 257.
    {"SixteenNarrows", F::A16R16G16B16, Words({0xFFFE, 0x8080, 0x0101, 0xFFFF}), F::A8R8G8B8, {254, 128, 1, 255}},
    {"EightWidens", F::Gray8, {0x12}, F::A16Gray16, Words({0x1212, 0xFFFF})},
    {"Gray32Widens", F::Gray8, {0x80}, F::Gray32, {0x80, 0x80, 0x80, 0x80}},
    {"Gray32Narrows", F::Gray32, {0xFF, 0xFF, 0xFF, 0xFF}, F::Gray8, {255}},
    // Floats clamp to [0, 1], scale to 16 bits rounded, then narrow.
    {"R32FCarriesRedOnly", F::R32F, Float32({0.5f}), F::A8R8G8B8, {0, 0, 127, 255}},
    {"R32FClampsHigh", F::R32F, Float32({2.0f}), F::R8G8B8, {0, 0, 255}},
    {"R32FClampsLow", F::R32F, Float32({-1.0f}), F::R8G8B8, {0, 0, 0}},
    {"R16FHalf", F::R16F, Words({0x3800}), F::A8R8G8B8, {0, 0, 127, 255}},
    {"HalfToSixteen", F::A16B16G16R16F, Words({0x3C00, 0x3400, 0x0000, 0x3C00}), F::A16R16G16B16,
     Words({0, 16384, 65535, 65535})},
    {"FloatToFloatUnclamped", F::A32R32G32B32F, Float32({2.0f, -0.5f, 0.25f, 1.0f}), F::A16B16G16R16F,
     Words({0x3400, 0xB800, 0x4000, 0x3C00})},
    {"EightToFloat", F::A8R8G8B8, {255, 0, 0, 255}, F::A32B32G32R32F, Float32({0.0f, 0.0f, 1.0f, 1.0f})},
    // Grey from colour: round(0.299 R + 0.587 G + 0.114 B), computed at the target's width.
    {"GrayFromRed", F::R8G8B8, {0, 0, 255}, F::Gray8, {76}},
    {"GrayFromGreenRoundsUp", F::R8G8B8, {0, 255, 0}, F::Gray8, {150}},
    {"GrayFromMix", F::A8R8G8B8, {10, 20, 30, 99}, F::A8Gray8, {22, 99}},
    {"GrayFillsChannels", F::A8Gray8, {77, 200}, F::A8R8G8B8, {77, 77, 77, 200}},
    // Index8 from grey: the top byte is the index (0x12FF is 0x12, not rounded).
    {"Index8FromGray16", F::Gray16, Words({0x12FF}), F::Index8, {0x12}},
    {"Index8FromGray32", F::Gray32, {0, 0, 0, 0x01}, F::Index8, {0x01}},
    // Alpha filled in; X channels carry no meaning on the way in.
    {"AlphaFilled", F::R8G8B8, {1, 2, 3}, F::A8R8G8B8, {1, 2, 3, 255}},
    {"XIgnored", F::X8R8G8B8, {1, 2, 3, 0}, F::A8R8G8B8, {1, 2, 3, 255}},
    {"XWrittenOpaque", F::A8R8G8B8, {1, 2, 3, 0}, F::X8R8G8B8, {1, 2, 3, 255}},
    // Partners swap in place.
    {"PartnerSwap", F::R16G16B16, Words({1, 2, 3}), F::B16G16R16, Words({3, 2, 1})},
    {"FloatPartnerSwap", F::A32R32G32B32F, Float32({1, 2, 3, 4}), F::A32B32G32R32F, Float32({3, 2, 1, 4})},
};

class PixelRules : public ::testing::TestWithParam<TPixelCase> {};

TEST_P(PixelRules, ConvertOnePixel) {
  const TPixelCase& c = GetParam();
  TImageData image = ImageFromBytes(c.From, 1, 1, c.In);
  ConvertImageFormat(image, c.To);
  ASSERT_EQ(image.Format, c.To);
  ASSERT_TRUE(TestImage(image));
  EXPECT_EQ(image.Bits, c.Out);
}

INSTANTIATE_TEST_SUITE_P(Rules, PixelRules, ::testing::ValuesIn(kPixelCases),
                         ::testing::PrintToStringParamName());

TEST(Conversion, Index8FromGrayHasRampPalette) {
  TImageData image = ImageFromBytes(F::Gray8, 2, 1, {0, 200});
  ConvertImageFormat(image, F::Index8);
  ASSERT_EQ(image.Palette.size(), 256u);
  for (int i : {0, 17, 255}) {
    EXPECT_EQ(image.Palette[i].R, i);
    EXPECT_EQ(image.Palette[i].G, i);
    EXPECT_EQ(image.Palette[i].B, i);
    EXPECT_EQ(image.Palette[i].A, 255);
  }
  EXPECT_EQ(image.Bits, (std::vector<uint8_t>{0, 200}));
}

TEST(Conversion, ToOwnFormatChangesNothing) {
  TImageData image = ImageFromBytes(F::Gray8, 1, 1, {5});
  image.Size = 99;  // not even valid: nothing is looked at
  ConvertImageFormat(image, F::Gray8);
  EXPECT_EQ(image.Size, 99);
}

// Every pair of catalogue formats converts, and the result is a valid image of
// the target format with the (block-rounded) source dimensions.
TEST(Conversion, EveryPairOfFormats) {
  for (int from = 1; from < kImageFormatCount; ++from) {
    TImageData source;
    NewImage(5, 3, static_cast<F>(from), source);
    for (size_t i = 0; i < source.Bits.size(); ++i) source.Bits[i] = static_cast<uint8_t>(i * 37 + 11);
    for (size_t i = 0; i < source.Palette.size(); ++i) source.Palette[i] = {uint8_t(i), uint8_t(i * 3), 7, 255};
    for (int to = 1; to < kImageFormatCount; ++to) {
      TImageData image = source;
      ASSERT_NO_THROW(ConvertImageFormat(image, static_cast<F>(to)))
          << GetFormatName(static_cast<F>(from)) << " -> " << GetFormatName(static_cast<F>(to));
      EXPECT_EQ(image.Format, static_cast<F>(to));
      EXPECT_TRUE(TestImage(image));
      int32_t w = source.Width, h = source.Height;
      CheckDimensions(static_cast<F>(to), w, h);
      EXPECT_EQ(image.Width, w);
      EXPECT_EQ(image.Height, h);
    }
  }
}

// The byte-moving fast path gives what the per-pixel accessors give.
TEST(Conversion, ByteFormatsMatchTheAccessors) {
  const F kByteFormats[] = {F::Gray8, F::A8Gray8, F::R8G8B8, F::A8R8G8B8, F::X8R8G8B8};
  for (F from : kByteFormats) {
    TImageData source;
    NewImage(4, 4, from, source);
    for (size_t i = 0; i < source.Bits.size(); ++i) source.Bits[i] = static_cast<uint8_t>(i * 53 + 7);
    const TImageFormatInfo& in = GetFormatInfo(from);
    for (F to : kByteFormats) {
      const TImageFormatInfo& out = GetFormatInfo(to);
      std::vector<uint8_t> expected(16 * out.BytesPerPixel);
      for (int p = 0; p < 16; ++p) {
        out.SetPixel64(&expected[p * out.BytesPerPixel], out, in.GetPixel64(&source.Bits[p * in.BytesPerPixel], in, nullptr));
      }
      TImageData image = source;
      ConvertImageFormat(image, to);
      if (from != to) EXPECT_EQ(image.Bits, expected) << GetFormatName(from) << " -> " << GetFormatName(to);
    }
  }
}

// Through A8R8G8B8 and back: formats of at least 8 bits per channel keep 8-bit colours exactly.
TEST(Conversion, WideFormatsRoundTripEightBitColours) {
  TImageData source;
  NewImage(16, 16, F::A8R8G8B8, source);
  for (size_t i = 0; i < source.Bits.size(); ++i) source.Bits[i] = static_cast<uint8_t>(i * 7 + i / 4);
  for (F format : {F::A16R16G16B16, F::A16B16G16R16, F::A32R32G32B32F, F::A32B32G32R32F}) {
    TImageData image = source;
    ConvertImageFormat(image, format);
    ConvertImageFormat(image, F::A8R8G8B8);
    EXPECT_EQ(image.Bits, source.Bits) << GetFormatName(format);
  }
}

TEST(ColourReduction, FewColoursStayExact) {
  TImageData source;
  NewImage(20, 10, F::A8R8G8B8, source);
  for (int i = 0; i < 200; ++i) {
    source.Bits[i * 4 + 0] = static_cast<uint8_t>(i);
    source.Bits[i * 4 + 1] = static_cast<uint8_t>(255 - i);
    source.Bits[i * 4 + 2] = static_cast<uint8_t>(i * 3);
    source.Bits[i * 4 + 3] = static_cast<uint8_t>(i % 2 ? 255 : 128);
  }
  TImageData image = source;
  ConvertImageFormat(image, F::Index8);
  ConvertImageFormat(image, F::A8R8G8B8);
  EXPECT_EQ(image.Bits, source.Bits);
}

TEST(ColourReduction, ManyColoursFitAndStayClose) {
  TImageData source;
  NewImage(64, 64, F::R8G8B8, source);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      uint8_t* p = &source.Bits[(y * 64 + x) * 3];
      p[0] = static_cast<uint8_t>(x * 4);
      p[1] = static_cast<uint8_t>(y * 4);
      p[2] = static_cast<uint8_t>((x + y) * 2);
    }
  }
  TImageData image = source;
  ConvertImageFormat(image, F::Index8);
  EXPECT_EQ(std::set<uint8_t>(image.Bits.begin(), image.Bits.end()).size(), 256u);
  ConvertImageFormat(image, F::R8G8B8);
  int64_t total = 0;
  int worst = 0;
  for (size_t i = 0; i < source.Bits.size(); ++i) {
    const int d = std::abs(image.Bits[i] - source.Bits[i]);
    total += d;
    worst = std::max(worst, d);
  }
  EXPECT_LT(static_cast<double>(total) / source.Bits.size(), 4.0);
  EXPECT_LE(worst, 16);
}

TEST(ColourReduction, TransparentPixelsShareOneEntry) {
  TImageData source;
  NewImage(32, 32, F::A8R8G8B8, source);
  for (int i = 0; i < 1024; ++i) {
    source.Bits[i * 4 + 0] = static_cast<uint8_t>(i);
    source.Bits[i * 4 + 1] = static_cast<uint8_t>(i >> 2);
    source.Bits[i * 4 + 2] = static_cast<uint8_t>(i * 5);
    source.Bits[i * 4 + 3] = i % 3 == 0 ? 0 : 255;
  }
  TImageData image = source;
  ConvertImageFormat(image, F::Index8);
  std::set<uint8_t> transparent, opaque;
  for (int i = 0; i < 1024; ++i) (i % 3 == 0 ? transparent : opaque).insert(image.Bits[i]);
  ASSERT_EQ(transparent.size(), 1u);
  EXPECT_EQ(image.Palette[*transparent.begin()].A, 0);
  for (uint8_t index : opaque) EXPECT_EQ(image.Palette[index].A, 255);
}

struct TLimitsGuard {
  TImagingLimits saved = ImagingLimits();
  ~TLimitsGuard() { ImagingLimits() = saved; }
};

TEST(Conversion, FailureTextsNameTargetAndImage) {
  TImageData broken = ImageFromBytes(F::Gray8, 4, 4, {});
  broken.Size = 3;
  try {
    ConvertImageFormat(broken, F::A8R8G8B8);
    FAIL() << "no error";
  } catch (const EImagingError& e) {
    EXPECT_EQ(e.Message(), "Error while converting image to format \"A8R8G8B8\". Width=4 Height=4 Format=Gray8");
  }
  // A failure inside nests its text; the image stays as it was.
  TLimitsGuard guard;
  ImagingLimits().MaxImageBytes = 1000;
  TImageData image = ImageFromBytes(F::Gray8, 16, 16, {});
  try {
    ConvertImageFormat(image, F::A32R32G32B32F);
    FAIL() << "no error";
  } catch (const EImagingError& e) {
    EXPECT_EQ(e.Message(),
              "Error while converting image to format \"A32R32G32B32F\". Width=16 Height=16 Format=Gray8 "
              "Exception Message: Error while creating image data with params: Width=16 Height=16 "
              "Format=A32R32G32B32F.");
  }
  EXPECT_EQ(image.Format, F::Gray8);
  EXPECT_TRUE(TestImage(image));
}

TEST(Catalogue, SizesAndRounding) {
  struct TCase {
    F Format;
    int32_t W, H, RoundedW, RoundedH;
    int64_t Size;
  };
  for (const TCase& c : {TCase{F::DXT1, 1, 1, 4, 4, 8}, TCase{F::DXT1, 30, 30, 32, 32, 512},
                         TCase{F::DXT5, 2, 6, 4, 8, 32}, TCase{F::ATI1N, 4, 4, 4, 4, 8},
                         TCase{F::ATI2N, 5, 5, 8, 8, 64}, TCase{F::R8G8B8, 3, 5, 3, 5, 45},
                         TCase{F::A32B32G32R32F, 2, 2, 2, 2, 64}}) {
    int32_t w = c.W, h = c.H;
    CheckDimensions(c.Format, w, h);
    EXPECT_EQ(w, c.RoundedW) << GetFormatName(c.Format);
    EXPECT_EQ(h, c.RoundedH) << GetFormatName(c.Format);
    EXPECT_EQ(GetPixelsSize(c.Format, w, h), c.Size) << GetFormatName(c.Format);
  }
  EXPECT_EQ(GetFormatName(static_cast<F>(200)), "Unknown");
  EXPECT_EQ(GetPixelsSize(F::A32B32G32R32F, int64_t{1} << 40, int64_t{1} << 40), INT64_MAX);
}

}  // namespace
