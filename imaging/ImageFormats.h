// The catalogue of internal pixel formats: one constant record per format.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

enum class TImageFormat : uint8_t {
  Unknown,
  Index8, Gray8, A8Gray8, Gray16, Gray32, A16Gray16,
  R3G3B2, R5G6B5, A1R5G5B5, A4R4G4B4, X1R5G5B5, X4R4G4B4,
  R8G8B8, A8R8G8B8, X8R8G8B8,
  R16G16B16, A16R16G16B16, B16G16R16, A16B16G16R16,
  R32F, A32R32G32B32F, A32B32G32R32F,
  R16F, A16R16G16B16F, A16B16G16R16F,
  DXT1, DXT3, DXT5, ATI1N, ATI2N,
  Count
};
constexpr int kImageFormatCount = static_cast<int>(TImageFormat::Count);

// A set of internal formats (the formats a picture writer takes unchanged).
class TImageFormats {
public:
  constexpr TImageFormats() = default;
  constexpr TImageFormats(std::initializer_list<TImageFormat> formats) {
    for (TImageFormat f : formats) bits_ |= Bit(f);
  }
  constexpr bool Contains(TImageFormat f) const { return (bits_ & Bit(f)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  static constexpr TImageFormats All() {
    TImageFormats set;
    set.bits_ = ((uint64_t{1} << kImageFormatCount) - 1) & ~uint64_t{1};
    return set;
  }

private:
  static constexpr uint64_t Bit(TImageFormat f) { return uint64_t{1} << static_cast<int>(f); }
  uint64_t bits_ = 0;
};

// One palette entry or 32-bit pixel, bytes in memory order B, G, R, A.
struct TColor32Rec {
  uint8_t B = 0, G = 0, R = 0, A = 0;
};

// The four channel masks of a bit-field format.
struct TPixelFormatMasks {
  uint32_t A = 0, R = 0, G = 0, B = 0;
};

struct TImageFormatInfo;

// Per-pixel accessors: 16 bits per channel is the pivot of every plain conversion.
struct TColor64Rec {
  uint16_t B = 0, G = 0, R = 0, A = 0;
};
using TGetPixel64 = TColor64Rec (*)(const uint8_t* pixel, const TImageFormatInfo& info, const TColor32Rec* palette);
using TSetPixel64 = void (*)(uint8_t* pixel, const TImageFormatInfo& info, TColor64Rec color);
using TGetPixelFP = void (*)(const uint8_t* pixel, const TImageFormatInfo& info, float argb[4]);
using TSetPixelFP = void (*)(uint8_t* pixel, const TImageFormatInfo& info, const float argb[4]);

struct TImageFormatInfo {
  TImageFormat Format;
  const char* Name;
  int32_t BytesPerPixel;  // 0 for block-compressed formats
  int32_t ChannelCount;
  int32_t PaletteEntries;
  bool HasGrayChannel;
  bool HasAlphaChannel;
  bool IsFloatingPoint;
  bool UsePixelFormat;  // channels are bit fields described by PixelFormat
  bool IsRBSwapped;
  TImageFormat RBSwapFormat;  // Unknown when there is no red/blue partner
  bool IsIndexed;
  bool IsSpecial;  // block-compressed
  TPixelFormatMasks PixelFormat;
  int64_t (*GetPixelsSize)(TImageFormat format, int64_t width, int64_t height);
  void (*CheckDimensions)(TImageFormat format, int32_t& width, int32_t& height);
  TGetPixel64 GetPixel64;
  TSetPixel64 SetPixel64;
  TGetPixelFP GetPixelFP;
  TSetPixelFP SetPixelFP;
  TImageFormat SpecialNearestFormat;  // block formats: the plain format they decode to
};

// The record of a format; Unknown and out-of-range values give the Unknown record.
const TImageFormatInfo& GetFormatInfo(TImageFormat format);
// The catalogue name ("DXT1", "A8R8G8B8"); "Unknown" for Unknown.
std::string GetFormatName(TImageFormat format);
