// The catalogue of internal pixel formats: one row per format, indexed by the
// format's value. Traits are read from here, never re-derived elsewhere.
#include "ImageFormats.h"

#include <array>
#include <limits>

#include "PixelAccess.h"

namespace {

int64_t PlainPixelsSize(TImageFormat format, int64_t width, int64_t height);
int64_t BlockPixelsSize(TImageFormat format, int64_t width, int64_t height);
void KeepDimensions(TImageFormat, int32_t&, int32_t&) {}
void RoundToBlocks(TImageFormat, int32_t& width, int32_t& height);

using F = TImageFormat;
constexpr F None = F::Unknown;

struct TTraits {
  bool Gray = false, Alpha = false, Float = false, BitField = false, Swapped = false, Indexed = false,
       Special = false;
};
constexpr TTraits kPlain{};
constexpr TTraits kGray{.Gray = true};
constexpr TTraits kGrayAlpha{.Gray = true, .Alpha = true};
constexpr TTraits kAlpha{.Alpha = true};
constexpr TTraits kBits{.BitField = true};
constexpr TTraits kBitsAlpha{.Alpha = true, .BitField = true};
constexpr TTraits kSwapped{.Swapped = true};
constexpr TTraits kSwappedAlpha{.Alpha = true, .Swapped = true};
constexpr TTraits kFloat{.Float = true};
constexpr TTraits kFloatAlpha{.Alpha = true, .Float = true};
constexpr TTraits kFloatSwappedAlpha{.Alpha = true, .Float = true, .Swapped = true};
constexpr TTraits kIndexed{.Indexed = true};
constexpr TTraits kBlock{.Special = true};
constexpr TTraits kBlockAlpha{.Alpha = true, .Special = true};

enum class TAccess { None, Channels, BitField, Indexed };

constexpr TImageFormatInfo Row(F format, const char* name, int32_t bpp, int32_t channels, TTraits t,
                               TAccess access, F partner = None, TPixelFormatMasks masks = {}, F nearest = None) {
  TImageFormatInfo info{};
  info.Format = format;
  info.Name = name;
  info.BytesPerPixel = bpp;
  info.ChannelCount = channels;
  info.PaletteEntries = t.Indexed ? 256 : 0;
  info.HasGrayChannel = t.Gray;
  info.HasAlphaChannel = t.Alpha;
  info.IsFloatingPoint = t.Float;
  info.UsePixelFormat = t.BitField;
  info.IsRBSwapped = t.Swapped;
  info.RBSwapFormat = partner;
  info.IsIndexed = t.Indexed;
  info.IsSpecial = t.Special;
  info.PixelFormat = masks;
  info.GetPixelsSize = t.Special ? BlockPixelsSize : PlainPixelsSize;
  info.CheckDimensions = t.Special ? RoundToBlocks : KeepDimensions;
  switch (access) {
    case TAccess::Channels:
      info.GetPixel64 = GetPixel64Channels;
      info.SetPixel64 = SetPixel64Channels;
      info.GetPixelFP = t.Float ? GetPixelFPChannels : GetPixelFPFrom64;
      info.SetPixelFP = SetPixelFPChannels;
      break;
    case TAccess::BitField:
      info.GetPixel64 = GetPixel64BitField;
      info.SetPixel64 = SetPixel64BitField;
      info.GetPixelFP = GetPixelFPFrom64;
      info.SetPixelFP = SetPixelFPTo64;
      break;
    case TAccess::Indexed:  // writing needs a palette: the conversion handles Index8 targets itself
      info.GetPixel64 = GetPixel64Indexed;
      break;
    case TAccess::None:
      break;
  }
  info.SpecialNearestFormat = nearest;
  return info;
}

using A = TAccess;
//                          A        R        G        B
constexpr TPixelFormatMasks kR3G3B2{0, 0xE0, 0x1C, 0x03};
constexpr TPixelFormatMasks kR5G6B5{0, 0xF800, 0x07E0, 0x001F};
constexpr TPixelFormatMasks kA1R5G5B5{0x8000, 0x7C00, 0x03E0, 0x001F};
constexpr TPixelFormatMasks kA4R4G4B4{0xF000, 0x0F00, 0x00F0, 0x000F};
constexpr TPixelFormatMasks kX1R5G5B5{0, 0x7C00, 0x03E0, 0x001F};
constexpr TPixelFormatMasks kX4R4G4B4{0, 0x0F00, 0x00F0, 0x000F};

constexpr std::array<TImageFormatInfo, kImageFormatCount> kCatalogue{{
    Row(F::Unknown, "Unknown", 0, 0, kPlain, A::None),
    Row(F::Index8, "Index8", 1, 1, kIndexed, A::Indexed),
    Row(F::Gray8, "Gray8", 1, 1, kGray, A::Channels),
    Row(F::A8Gray8, "A8Gray8", 2, 2, kGrayAlpha, A::Channels),
    Row(F::Gray16, "Gray16", 2, 1, kGray, A::Channels),
    Row(F::Gray32, "Gray32", 4, 1, kGray, A::Channels),
    Row(F::A16Gray16, "A16Gray16", 4, 2, kGrayAlpha, A::Channels),
    Row(F::R3G3B2, "R3G3B2", 1, 3, kBits, A::BitField, None, kR3G3B2),
    Row(F::R5G6B5, "R5G6B5", 2, 3, kBits, A::BitField, None, kR5G6B5),
    Row(F::A1R5G5B5, "A1R5G5B5", 2, 4, kBitsAlpha, A::BitField, None, kA1R5G5B5),
    Row(F::A4R4G4B4, "A4R4G4B4", 2, 4, kBitsAlpha, A::BitField, None, kA4R4G4B4),
    Row(F::X1R5G5B5, "X1R5G5B5", 2, 3, kBits, A::BitField, None, kX1R5G5B5),
    Row(F::X4R4G4B4, "X4R4G4B4", 2, 3, kBits, A::BitField, None, kX4R4G4B4),
    Row(F::R8G8B8, "R8G8B8", 3, 3, kPlain, A::Channels),
    Row(F::A8R8G8B8, "A8R8G8B8", 4, 4, kAlpha, A::Channels),
    Row(F::X8R8G8B8, "X8R8G8B8", 4, 3, kPlain, A::Channels),
    Row(F::R16G16B16, "R16G16B16", 6, 3, kPlain, A::Channels, F::B16G16R16),
    Row(F::A16R16G16B16, "A16R16G16B16", 8, 4, kAlpha, A::Channels, F::A16B16G16R16),
    Row(F::B16G16R16, "B16G16R16", 6, 3, kSwapped, A::Channels, F::R16G16B16),
    Row(F::A16B16G16R16, "A16B16G16R16", 8, 4, kSwappedAlpha, A::Channels, F::A16R16G16B16),
    Row(F::R32F, "R32F", 4, 1, kFloat, A::Channels),
    Row(F::A32R32G32B32F, "A32R32G32B32F", 16, 4, kFloatAlpha, A::Channels, F::A32B32G32R32F),
    Row(F::A32B32G32R32F, "A32B32G32R32F", 16, 4, kFloatSwappedAlpha, A::Channels, F::A32R32G32B32F),
    Row(F::R16F, "R16F", 2, 1, kFloat, A::Channels),
    Row(F::A16R16G16B16F, "A16R16G16B16F", 8, 4, kFloatAlpha, A::Channels, F::A16B16G16R16F),
    Row(F::A16B16G16R16F, "A16B16G16R16F", 8, 4, kFloatSwappedAlpha, A::Channels, F::A16R16G16B16F),
    Row(F::DXT1, "DXT1", 0, 4, kBlockAlpha, A::None, None, {}, F::A8R8G8B8),
    Row(F::DXT3, "DXT3", 0, 4, kBlockAlpha, A::None, None, {}, F::A8R8G8B8),
    Row(F::DXT5, "DXT5", 0, 4, kBlockAlpha, A::None, None, {}, F::A8R8G8B8),
    Row(F::ATI1N, "ATI1N", 0, 1, kBlock, A::None, None, {}, F::Gray8),
    Row(F::ATI2N, "ATI2N", 0, 2, kBlock, A::None, None, {}, F::A8R8G8B8),
}};
static_assert(kCatalogue.size() == kImageFormatCount);

constexpr bool RowsInOrder() {
  for (int i = 0; i < kImageFormatCount; ++i) {
    if (static_cast<int>(kCatalogue[i].Format) != i) return false;
  }
  return true;
}
static_assert(RowsInOrder(), "catalogue rows must follow the enum order");

constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();

// Saturates instead of overflowing: callers compare the result with their caps.
int64_t SaturatingProduct(int64_t a, int64_t b, int64_t c) {
  if (a <= 0 || b <= 0 || c <= 0) return 0;
  if (a > kInt64Max / b) return kInt64Max;
  const int64_t ab = a * b;
  return ab > kInt64Max / c ? kInt64Max : ab * c;
}

int64_t PlainPixelsSize(TImageFormat format, int64_t width, int64_t height) {
  return SaturatingProduct(width, height, GetFormatInfo(format).BytesPerPixel);
}

int64_t RoundUp4(int64_t v) { return v > kInt64Max - 3 ? kInt64Max & ~int64_t{3} : (v + 3) & ~int64_t{3}; }

// 8 bytes per 4x4 block for DXT1 and ATI1N (half a byte per texel), 16 for the rest.
int64_t BlockPixelsSize(TImageFormat format, int64_t width, int64_t height) {
  const int64_t texels = SaturatingProduct(RoundUp4(width), RoundUp4(height), 1);
  const bool halfByte = format == F::DXT1 || format == F::ATI1N;
  return halfByte ? texels / 2 : texels;
}

// Blocks cover whole 4x4 tiles, so even 1x1 and 2x2 levels become 4x4.
void RoundToBlocks(TImageFormat, int32_t& width, int32_t& height) {
  constexpr int32_t kLargest = std::numeric_limits<int32_t>::max() & ~3;
  auto round = [](int32_t v) { return v > kLargest ? kLargest : v <= 0 ? v : (v + 3) & ~3; };
  width = round(width);
  height = round(height);
}

}  // namespace

const TImageFormatInfo& GetFormatInfo(TImageFormat format) {
  const int index = static_cast<int>(format);
  return index > 0 && index < kImageFormatCount ? kCatalogue[index] : kCatalogue[0];
}

std::string GetFormatName(TImageFormat format) { return GetFormatInfo(format).Name; }
