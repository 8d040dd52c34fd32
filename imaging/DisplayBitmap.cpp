#include "DisplayBitmap.h"

#include <algorithm>
#include <cstring>

#include "Exceptions.h"
#include "Format.h"

namespace {

bool PaletteHasAlpha(const TImageData& image) {
  return std::any_of(image.Palette.begin(), image.Palette.end(), [](const TColor32Rec& e) { return e.A != 255; });
}

// The bitmap depth that shows the image's bytes as they are, or 0.
int32_t DepthOf(const TImageData& image) {
  static constexpr struct {
    TImageFormat Format;
    int32_t Depth;
  } kDepths[] = {{TImageFormat::Index8, 8},
                 {TImageFormat::R5G6B5, 16},
                 {TImageFormat::R8G8B8, 24},
                 {TImageFormat::A8R8G8B8, 32},
                 {TImageFormat::X8R8G8B8, 32}};
  if (image.Format == TImageFormat::Index8 && PaletteHasAlpha(image)) return 0;
  for (const auto& row : kDepths) {
    if (row.Format == image.Format) return row.Depth;
  }
  return 0;
}

// The format a copy is converted to when the image has no bitmap depth. An
// Index8 image with a translucent palette counts as having alpha.
TImageFormat DisplayFormatFor(const TImageData& image) {
  const TImageFormatInfo& info = GetFormatInfo(image.Format);
  if (info.IsFloatingPoint || info.HasAlphaChannel || info.IsSpecial || (info.IsIndexed && PaletteHasAlpha(image))) {
    return TImageFormat::A8R8G8B8;
  }
  if (info.IsIndexed || info.HasGrayChannel) return TImageFormat::Index8;
  if (info.UsePixelFormat) return TImageFormat::R5G6B5;
  return TImageFormat::R8G8B8;
}

}  // namespace

void SubimageToBitmap(const TImageData& image, TDisplayBitmap& bitmap) {
  TImageData converted;
  const TImageData* source = &image;
  int32_t depth = DepthOf(image);
  if (depth == 0) {
    converted = image;
    ConvertImageFormat(converted, DisplayFormatFor(image));
    source = &converted;
    depth = DepthOf(converted);
  }
  if (depth == 0 || !TestImage(*source)) {
    throw EImagingError(Format("Cannot find compatible bitmap format for image %s", ImageToStr(image).c_str()));
  }
  const int32_t rowBytes = source->Width * (depth / 8);
  bitmap.Width = source->Width;
  bitmap.Height = source->Height;
  bitmap.Depth = depth;
  bitmap.Stride = (rowBytes + 3) & ~3;
  bitmap.Palette.clear();
  if (depth == 8) {
    bitmap.Palette.resize(source->Palette.size());
    std::transform(source->Palette.begin(), source->Palette.end(), bitmap.Palette.begin(),
                   [](TColor32Rec e) { return TColor32Rec{e.B, e.G, e.R, 0}; });
  }
  bitmap.Pixels.assign(static_cast<size_t>(bitmap.Stride) * bitmap.Height, 0);
  for (int32_t y = 0; y < bitmap.Height; ++y) {
    std::memcpy(bitmap.ScanLine(y), source->Bits.data() + static_cast<size_t>(y) * rowBytes, rowBytes);
  }
  // The image control blends 32-bit pixels by their fourth byte, X8R8G8B8's too.
  bitmap.StraightAlpha = depth == 32;
}
