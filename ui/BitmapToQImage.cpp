#include "BitmapToQImage.h"

#include <bit>
#include <cstdint>
#include <cstring>

// The bitmap stores 16- and 32-bit pixels as little-endian words (B, G, R, A in
// memory); Qt's RGB16 and ARGB32 are native-endian words.
static_assert(std::endian::native == std::endian::little);

namespace {

QImage::Format QImageFormatFor(const TDisplayBitmap& bitmap) {
  switch (bitmap.Depth) {
    case 8: return QImage::Format_Indexed8;
    case 16: return QImage::Format_RGB16;
    case 24: return QImage::Format_BGR888;
    case 32: return bitmap.StraightAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    default: return QImage::Format_Invalid;
  }
}

// The pixel buffer holds every scan line the fields promise.
bool DescribesItsBuffer(const TDisplayBitmap& bitmap) {
  if (bitmap.Width <= 0 || bitmap.Height <= 0 || bitmap.Stride <= 0) return false;
  const int64_t rowBytes = int64_t{bitmap.Width} * (bitmap.Depth / 8);
  return rowBytes <= bitmap.Stride &&
         static_cast<uint64_t>(bitmap.Stride) * static_cast<uint64_t>(bitmap.Height) <= bitmap.Pixels.size();
}

}  // namespace

QImage BitmapToQImage(const TDisplayBitmap& bitmap) {
  const QImage::Format format = QImageFormatFor(bitmap);
  if (format == QImage::Format_Invalid || !DescribesItsBuffer(bitmap)) return {};
  QImage image(bitmap.Width, bitmap.Height, format);
  if (image.isNull()) return {};  // the allocation failed or the size is beyond QImage

  // Both sides pad their rows (to 4 bytes), so the copy goes row by row.
  const size_t rowBytes = static_cast<size_t>(bitmap.Width) * (bitmap.Depth / 8);
  for (int32_t y = 0; y < bitmap.Height; ++y) std::memcpy(image.scanLine(y), bitmap.ScanLine(y), rowBytes);

  if (format == QImage::Format_Indexed8) {
    // Exactly 256 colours: an index beyond a short palette still names one (black).
    QList<QRgb> colours(256, qRgb(0, 0, 0));
    for (qsizetype i = 0; i < colours.size() && i < static_cast<qsizetype>(bitmap.Palette.size()); ++i) {
      const TColor32Rec& entry = bitmap.Palette[static_cast<size_t>(i)];
      colours[i] = qRgb(entry.R, entry.G, entry.B);
    }
    image.setColorTable(colours);
  } else if (format == QImage::Format_RGB32) {
    // Format_RGB32 expects 0xFF in the unused byte.
    for (int32_t y = 0; y < bitmap.Height; ++y) {
      auto* pixels = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int32_t x = 0; x < bitmap.Width; ++x) pixels[x] |= 0xFF000000u;
    }
  }
  return image;
}
