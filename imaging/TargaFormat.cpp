#include "TargaFormat.h"

#include <cstring>

#include "BytePacking.h"
#include "Exceptions.h"

namespace {

using F = TImageFormat;

// How each written pixel format appears in the file.
struct TTargaLayout {
  F Format;
  uint8_t ImageType;  // 1 colour-mapped, 2 true-colour, 3 grey; +8 run-length encoded
  uint8_t Depth;      // bits per pixel
  uint8_t AlphaBits;  // attribute bits per pixel, into the image descriptor
};

constexpr TTargaLayout kLayouts[] = {
    {F::Index8, 1, 8, 0},
    {F::Gray8, 3, 8, 0},
    {F::A1R5G5B5, 2, 16, 1},
    {F::R8G8B8, 2, 24, 0},
    {F::A8R8G8B8, 2, 32, 8},
};

const TTargaLayout& LayoutOf(F format) {
  for (const TTargaLayout& layout : kLayouts) {
    if (layout.Format == format) return layout;
  }
  throw EImagingError("Targa cannot store pixel format " + GetFormatName(format));
}

constexpr uint8_t kRLETypeFlag = 8;
constexpr int kMaxPacketPixels = 128;
constexpr int32_t kMaxSide = 0xFFFF;
constexpr uint8_t kTopLeftOrigin = 0x20;

bool PaletteHasAlpha(const TImageData& image) {
  for (const TColor32Rec& entry : image.Palette) {
    if (entry.A != 255) return true;
  }
  return false;
}

// Palette entries are B, G, R (and A), as Targa stores them.
void PutPalette(TByteBuffer& out, const TImageData& image, bool withAlpha) {
  for (const TColor32Rec& entry : image.Palette) {
    PutU8(out, entry.B);
    PutU8(out, entry.G);
    PutU8(out, entry.R);
    if (withAlpha) PutU8(out, entry.A);
  }
}

// One row as run-length packets. Packets never cross rows, as the format's
// second edition asks, so readers may decode row by row.
void PutRLERow(TByteBuffer& out, const uint8_t* row, int width, int bpp) {
  auto same = [&](int a, int b) { return std::memcmp(row + a * bpp, row + b * bpp, bpp) == 0; };
  int x = 0;
  while (x < width) {
    int run = 1;
    while (x + run < width && run < kMaxPacketPixels && same(x + run, x)) ++run;
    if (run > 1) {
      PutU8(out, 0x80 | (run - 1));
      PutBytes(out, row + x * bpp, bpp);
      x += run;
      continue;
    }
    // A raw packet ends where a run of two equal pixels begins.
    int count = 1;
    while (x + count < width && count < kMaxPacketPixels && !(x + count + 1 < width && same(x + count, x + count + 1))) {
      ++count;
    }
    PutU8(out, count - 1);
    PutBytes(out, row + x * bpp, static_cast<size_t>(count) * bpp);
    x += count;
  }
}

}  // namespace

TTargaFileFormat::TTargaFileFormat()
    : TImageFileFormat("Truevision Targa Image", "*.tga", false, true, false,
                       {F::Index8, F::Gray8, F::A1R5G5B5, F::R8G8B8, F::A8R8G8B8}) {}

TImageFormat TTargaFileFormat::CompatibleFormat(const TImageFormatInfo& source) const {
  if (source.HasGrayChannel) return source.HasAlphaChannel ? F::A8R8G8B8 : F::Gray8;
  if (source.IsIndexed) return F::Index8;
  if (source.HasAlphaChannel) return F::A8R8G8B8;
  if (source.UsePixelFormat) return F::A1R5G5B5;
  return F::R8G8B8;
}

void TTargaFileFormat::SaveData(TStream& out, const TImageData& image) {
  const TTargaLayout& layout = LayoutOf(image.Format);
  if (image.Width > kMaxSide || image.Height > kMaxSide) {
    throw EImagingError("Targa images cannot be wider or taller than 65535 pixels");
  }
  const bool paletted = image.Format == F::Index8;
  const bool paletteAlpha = paletted && PaletteHasAlpha(image);

  TByteBuffer header;
  PutU8(header, 0);  // no image id
  PutU8(header, paletted ? 1 : 0);
  PutU8(header, layout.ImageType | (FUseRLE ? kRLETypeFlag : 0));
  PutLE16(header, 0);  // first colour map entry
  PutLE16(header, paletted ? static_cast<uint32_t>(image.Palette.size()) : 0);
  PutU8(header, paletted ? (paletteAlpha ? 32 : 24) : 0);
  PutLE16(header, 0);  // x origin
  PutLE16(header, 0);  // y origin
  PutLE16(header, static_cast<uint32_t>(image.Width));
  PutLE16(header, static_cast<uint32_t>(image.Height));
  PutU8(header, layout.Depth);
  // Rows run top to bottom (descriptor bit 5). Readers that keep a bottom-up
  // file's orientation as a mere attribute would otherwise pass it on flipped.
  PutU8(header, kTopLeftOrigin | (paletteAlpha ? 8 : layout.AlphaBits));
  if (paletted) PutPalette(header, image, paletteAlpha);
  out.WriteBuffer(header.data(), static_cast<int64_t>(header.size()));

  const int bpp = layout.Depth / 8;
  const size_t rowBytes = static_cast<size_t>(image.Width) * bpp;
  TByteBuffer packed;
  for (int32_t y = 0; y < image.Height; ++y) {
    const uint8_t* row = image.Bits.data() + static_cast<size_t>(y) * rowBytes;
    if (!FUseRLE) {
      out.WriteBuffer(row, static_cast<int64_t>(rowBytes));
      continue;
    }
    packed.clear();
    PutRLERow(packed, row, image.Width, bpp);
    out.WriteBuffer(packed.data(), static_cast<int64_t>(packed.size()));
  }

  // The second edition's footer, without extension or developer areas.
  TByteBuffer footer;
  PutLE32(footer, 0);
  PutLE32(footer, 0);
  PutText(footer, "TRUEVISION-XFILE.");
  PutU8(footer, 0);
  out.WriteBuffer(footer.data(), static_cast<int64_t>(footer.size()));
}
