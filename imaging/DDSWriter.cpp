// The DDS writer: one plain level, header flags caps | height | width | pixel
// format | linear size, the pixel data as it is in memory.
#include "DDSFormat.h"

#include <algorithm>
#include <iterator>

#include "Exceptions.h"
#include "WriterBytes.h"

namespace {

constexpr uint32_t kMagic = 0x20534444;  // "DDS "
constexpr uint32_t kHeaderSize = 124;
constexpr uint32_t kPixelFormatSize = 32;
constexpr uint32_t kHeaderFlags = 0x81007;  // caps, height, width, pixel format, linear size
constexpr uint32_t kCapsTexture = 0x1000;
constexpr uint32_t kPfAlphaPixels = 0x1;
constexpr uint32_t kPfFourCC = 0x4;
constexpr uint32_t kPfRgb = 0x40;
constexpr uint32_t kPfLuminance = 0x20000;

constexpr uint32_t FourCC(const char (&code)[5]) {
  return static_cast<uint32_t>(code[0]) | static_cast<uint32_t>(code[1]) << 8 | static_cast<uint32_t>(code[2]) << 16 |
         static_cast<uint32_t>(code[3]) << 24;
}

// Formats a DDS file names by a code instead of masks: block, float and the
// 64-bit integer layout. The numeric codes are the file format's own.
struct TFourCCRow {
  TImageFormat Format;
  uint32_t Code;
};
constexpr TFourCCRow kFourCCs[] = {
    {TImageFormat::A16B16G16R16, 36},  {TImageFormat::R32F, 114},       {TImageFormat::A32B32G32R32F, 116},
    {TImageFormat::R16F, 111},         {TImageFormat::A16B16G16R16F, 113}, {TImageFormat::DXT1, FourCC("DXT1")},
    {TImageFormat::DXT3, FourCC("DXT3")}, {TImageFormat::DXT5, FourCC("DXT5")}, {TImageFormat::ATI1N, FourCC("ATI1")},
    {TImageFormat::ATI2N, FourCC("ATI2")},
};

struct TDdsPixelFormat {
  uint32_t Flags = 0;
  uint32_t FourCC = 0;
  uint32_t BitCount = 0;
  TPixelFormatMasks Masks;
};

TDdsPixelFormat PixelFormatFor(const TImageFormatInfo& info) {
  TDdsPixelFormat pf;
  const auto row = std::find_if(std::begin(kFourCCs), std::end(kFourCCs),
                                [&](const TFourCCRow& r) { return r.Format == info.Format; });
  if (row != std::end(kFourCCs)) {
    pf.Flags = kPfFourCC;
    pf.FourCC = row->Code;
    return pf;
  }
  pf.BitCount = static_cast<uint32_t>(info.BytesPerPixel) * 8;
  if (info.HasGrayChannel) {
    // Luminance in the red mask; A8Gray8 keeps its alpha in the high byte.
    pf.Flags = kPfLuminance | (info.HasAlphaChannel ? kPfAlphaPixels : 0);
    pf.Masks.R = info.BytesPerPixel == 1 || info.HasAlphaChannel ? 0xFF : 0xFFFF;
    if (info.HasAlphaChannel) pf.Masks.A = 0xFF00;
    return pf;
  }
  pf.Flags = kPfRgb | (info.HasAlphaChannel ? kPfAlphaPixels : 0);
  if (info.BytesPerPixel <= 2) {
    pf.Masks = info.PixelFormat;
  } else {
    pf.Masks = {info.HasAlphaChannel ? 0xFF000000u : 0u, 0xFF0000u, 0xFF00u, 0xFFu};
  }
  return pf;
}

}  // namespace

TImageFormat TDDSFileFormat::CompatibleFormat(const TImageFormatInfo& source) const {
  using enum TImageFormat;
  if (source.IsIndexed || source.IsSpecial) return A8R8G8B8;
  if (source.IsFloatingPoint) return source.Format == A16R16G16B16F ? A16B16G16R16F : A32B32G32R32F;
  if (source.HasGrayChannel) {
    if (source.HasAlphaChannel) return A8Gray8;
    return source.BytesPerPixel == 1 ? Gray8 : Gray16;
  }
  if (source.BytesPerPixel >= 5) return A16B16G16R16;
  return source.HasAlphaChannel ? A8R8G8B8 : X8R8G8B8;
}

void TDDSFileFormat::SaveData(TStream& out, const TImageData& image) {
  const TImageFormatInfo& info = GetFormatInfo(image.Format);
  if (!FSupportedFormats.Contains(image.Format)) {
    throw Exception("DirectDraw Surface cannot hold pixel format " + GetFormatName(image.Format));
  }
  const TDdsPixelFormat pf = PixelFormatFor(info);
  TWriterBytes head;
  head.U32(kMagic).U32(kHeaderSize).U32(kHeaderFlags);
  head.I32(image.Height).I32(image.Width).I32(image.Size);
  head.U32(0).U32(0);  // depth, mipmap count
  head.Zeros(11 * 4);  // reserved
  head.U32(kPixelFormatSize).U32(pf.Flags).U32(pf.FourCC).U32(pf.BitCount);
  head.U32(pf.Masks.R).U32(pf.Masks.G).U32(pf.Masks.B).U32(pf.Masks.A);
  head.U32(kCapsTexture).Zeros(4 * 4);  // caps 2 to 4, reserved
  out.WriteBuffer(head.Data(), head.Size());
  out.WriteBuffer(image.Bits.data(), image.Size);
}
