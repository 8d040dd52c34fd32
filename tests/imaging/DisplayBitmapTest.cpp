// SubimageToBitmap: the depth each format gets, what lands in the scan lines,
// and that the subimage itself is left alone.
#include <gtest/gtest.h>

#include <bit>

#include "DisplayBitmap.h"
#include "Exceptions.h"
#include "ImagingTestSupport.h"

using namespace imaging_tests;

namespace {

using F = TImageFormat;

struct TDepthCase {
  F Format;
  int32_t Depth;
};
// Parameters show in test listings by name.
void PrintTo(const TDepthCase& c, std::ostream* os) { *os << GetFormatName(c.Format); }

const TDepthCase kDepths[] = {
    {F::Index8, 8},        {F::Gray8, 8},          {F::Gray16, 8},         {F::R5G6B5, 16},
    {F::R3G3B2, 16},       {F::X1R5G5B5, 16},      {F::X4R4G4B4, 16},      {F::R8G8B8, 24},
    {F::R16G16B16, 24},    {F::A8R8G8B8, 32},      {F::X8R8G8B8, 32},      {F::A1R5G5B5, 32},
    {F::A4R4G4B4, 32},     {F::A8Gray8, 32},       {F::A16B16G16R16, 32},  {F::R32F, 32},
    {F::R16F, 32},         {F::A32B32G32R32F, 32}, {F::A16B16G16R16F, 32}, {F::DXT1, 32},
    {F::DXT3, 32},         {F::DXT5, 32},          {F::ATI1N, 32},         {F::ATI2N, 32},
};

class BitmapDepth : public ::testing::TestWithParam<TDepthCase> {};

TEST_P(BitmapDepth, ChosenFromTheFormat) {
  TImageData image;
  NewImage(5, 3, GetParam().Format, image);
  for (size_t i = 0; i < image.Palette.size(); ++i) image.Palette[i] = {uint8_t(i), uint8_t(i), uint8_t(i), 255};
  const TImageData before = image;
  TDisplayBitmap bitmap;
  SubimageToBitmap(image, bitmap);
  EXPECT_EQ(bitmap.Depth, GetParam().Depth);
  EXPECT_EQ(bitmap.Width, image.Width);
  EXPECT_EQ(bitmap.Height, image.Height);
  EXPECT_EQ(bitmap.Stride % 4, 0);
  EXPECT_EQ(bitmap.Pixels.size(), static_cast<size_t>(bitmap.Stride) * bitmap.Height);
  EXPECT_EQ(bitmap.Palette.size(), bitmap.Depth == 8 ? 256u : 0u);
  EXPECT_EQ(bitmap.StraightAlpha, bitmap.Depth == 32);
  EXPECT_EQ(image.Bits, before.Bits);
  EXPECT_EQ(image.Format, before.Format);
}

INSTANTIATE_TEST_SUITE_P(Formats, BitmapDepth, ::testing::ValuesIn(kDepths),
                         ::testing::PrintToStringParamName());

TEST(DisplayBitmap, XByteIsShownAsAlpha) {
  for (uint8_t x : {uint8_t{0}, uint8_t{255}}) {
    const TImageData image = ImageFromBytes(F::X8R8G8B8, 1, 1, {10, 20, 30, x});
    TDisplayBitmap bitmap;
    SubimageToBitmap(image, bitmap);
    EXPECT_EQ(bitmap.Pixels, (std::vector<uint8_t>{10, 20, 30, x}));
    EXPECT_TRUE(bitmap.StraightAlpha);
  }
}

TEST(DisplayBitmap, FloatRedShowsAsRed) {
  const float half = 0.5f;
  const uint32_t bits = std::bit_cast<uint32_t>(half);
  const TImageData image = ImageFromBytes(F::R32F, 1, 1, {uint8_t(bits), uint8_t(bits >> 8), uint8_t(bits >> 16), uint8_t(bits >> 24)});
  TDisplayBitmap bitmap;
  SubimageToBitmap(image, bitmap);
  EXPECT_EQ(bitmap.Pixels, (std::vector<uint8_t>{0, 0, 127, 255}));
}

TEST(DisplayBitmap, RowsArePaddedToFourBytes) {
  const TImageData image = ImageFromBytes(F::R8G8B8, 3, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18});
  TDisplayBitmap bitmap;
  SubimageToBitmap(image, bitmap);
  ASSERT_EQ(bitmap.Stride, 12);
  EXPECT_EQ(std::vector<uint8_t>(bitmap.ScanLine(1), bitmap.ScanLine(1) + 9),
            (std::vector<uint8_t>{10, 11, 12, 13, 14, 15, 16, 17, 18}));
}

// A paletted image with a translucent entry is blended like any alpha image.
TEST(DisplayBitmap, TranslucentPaletteGoesToThirtyTwoBits) {
  TImageData image = ImageFromBytes(F::Index8, 1, 1, {7});
  image.Palette[7] = {1, 2, 3, 128};
  TDisplayBitmap bitmap;
  SubimageToBitmap(image, bitmap);
  EXPECT_EQ(bitmap.Depth, 32);
  EXPECT_EQ(bitmap.Pixels, (std::vector<uint8_t>{1, 2, 3, 128}));
}

TEST(DisplayBitmap, InvalidImageIsRefused) {
  TImageData image;
  TDisplayBitmap bitmap;
  try {
    SubimageToBitmap(image, bitmap);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_NE(e.Message().find("Error while converting image to format"), std::string::npos) << e.Message();
  }
}

}  // namespace
