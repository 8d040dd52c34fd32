#include "BMPFormat.h"

#include <algorithm>
#include <cstring>

#include "Exceptions.h"
#include "WriterBytes.h"

namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiBitFields = 3;
constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kV4HeaderSize = 108;
constexpr int32_t kPixelsPerMetre = 2835;  // 72 dots per inch
constexpr uint32_t kLcsSrgb = 0x73524742;  // 'sRGB'
constexpr size_t kPaletteEntries = 256;

// The header sizes of the bitmap versions in use (core, 3, 3 with masks, 4, 5).
bool IsKnownInfoHeaderSize(uint32_t size) {
  constexpr uint32_t kSizes[] = {12, 40, 52, 56, 64, 108, 124};
  return std::find(std::begin(kSizes), std::end(kSizes), size) != std::end(kSizes);
}

// How one image is laid out in the file; everything follows from the pixel format.
struct TBmpLayout {
  uint32_t BitCount;
  uint32_t Compression;
  uint32_t InfoHeaderSize;
  bool MasksAfterHeader;  // a 40-byte header with bit fields is followed by three masks
  bool HasPalette;
};

TBmpLayout LayoutFor(const TImageFormatInfo& info, bool useRle) {
  TBmpLayout layout{static_cast<uint32_t>(info.BytesPerPixel) * 8, kBiRgb, kInfoHeaderSize, false, false};
  if (info.IsIndexed) {
    layout.HasPalette = true;
    if (useRle) layout.Compression = kBiRle8;
  } else if (layout.BitCount == 16 && info.Format != TImageFormat::X1R5G5B5) {
    // 5:5:5 without alpha is the 16-bit default; every other 16-bit layout
    // names its masks. Only the version 4 header can carry an alpha mask.
    layout.Compression = kBiBitFields;
    if (info.HasAlphaChannel) {
      layout.InfoHeaderSize = kV4HeaderSize;
    } else {
      layout.MasksAfterHeader = true;
    }
  }
  return layout;
}

// RLE8 of one row: runs of equal bytes as (count, value); stretches without a
// run of three as absolute blocks (0, count, bytes, padded to a word); one or
// two stray bytes as runs of one, since an absolute block needs at least three.
void EncodeRle8Row(const uint8_t* row, int32_t width, std::vector<uint8_t>& out) {
  auto runAt = [&](int32_t i, int32_t limit) {
    int32_t n = 1;
    while (i + n < width && n < limit && row[i + n] == row[i]) ++n;
    return n;
  };
  int32_t i = 0;
  while (i < width) {
    const int32_t run = runAt(i, 255);
    if (run >= 2) {
      out.push_back(static_cast<uint8_t>(run));
      out.push_back(row[i]);
      i += run;
      continue;
    }
    int32_t end = i + 1;
    while (end < width && end - i < 255 && runAt(end, 3) < 3) ++end;
    const int32_t count = end - i;
    if (count < 3) {
      for (; i < end; ++i) {
        out.push_back(1);
        out.push_back(row[i]);
      }
      continue;
    }
    out.push_back(0);
    out.push_back(static_cast<uint8_t>(count));
    out.insert(out.end(), row + i, row + end);
    if (count & 1) out.push_back(0);
    i = end;
  }
}

std::vector<uint8_t> EncodeRle8(const TImageData& image) {
  std::vector<uint8_t> out;
  // Bottom row first; each row ends with an end-of-line, the last with end-of-bitmap.
  for (int32_t y = image.Height - 1; y >= 0; --y) {
    EncodeRle8Row(image.Bits.data() + static_cast<size_t>(y) * static_cast<size_t>(image.Width), image.Width, out);
    out.push_back(0);
    out.push_back(y == 0 ? 1 : 0);
  }
  return out;
}

int64_t Stride(int32_t width, const TBmpLayout& layout) { return (int64_t{width} * layout.BitCount + 31) / 32 * 4; }

// The file header, the info header, the masks and the palette, as the layout says.
void WriteHeaders(TStream& out, const TImageFormatInfo& info, const TBmpLayout& layout, int32_t width,
                  int32_t height, int64_t pixelBytes, const std::vector<TColor32Rec>* palette) {
  const int64_t offBits = kFileHeaderSize + layout.InfoHeaderSize + (layout.MasksAfterHeader ? 12 : 0) +
                          (layout.HasPalette ? kPaletteEntries * 4 : 0);
  const int64_t fileSize = offBits + pixelBytes;
  if (fileSize > int64_t{UINT32_MAX}) throw Exception("Image too large for a Windows bitmap file");

  TWriterBytes head;
  head.U8('B').U8('M').U32(static_cast<uint32_t>(fileSize)).U16(0).U16(0).U32(static_cast<uint32_t>(offBits));
  head.U32(layout.InfoHeaderSize).I32(width).I32(height).U16(1).U16(layout.BitCount);
  head.U32(layout.Compression).U32(static_cast<uint32_t>(pixelBytes)).I32(kPixelsPerMetre).I32(kPixelsPerMetre);
  head.U32(layout.HasPalette ? static_cast<uint32_t>(kPaletteEntries) : 0).U32(0);
  if (layout.MasksAfterHeader) head.U32(info.PixelFormat.R).U32(info.PixelFormat.G).U32(info.PixelFormat.B);
  if (layout.InfoHeaderSize == kV4HeaderSize) {
    head.U32(info.PixelFormat.R).U32(info.PixelFormat.G).U32(info.PixelFormat.B).U32(info.PixelFormat.A);
    head.U32(kLcsSrgb).Zeros(36 + 12);  // endpoints and gammas, unused with sRGB
  }
  if (layout.HasPalette) {
    const size_t entries = palette ? palette->size() : 0;
    for (size_t i = 0; i < kPaletteEntries; ++i) {
      const TColor32Rec c = i < entries ? (*palette)[i] : TColor32Rec{};
      head.U8(c.B).U8(c.G).U8(c.R).U8(0);
    }
  }
  out.WriteBuffer(head.Data(), head.Size());
}

// The image's rows from the last to the first, each padded to the stride,
// gathered into writes of about 64 KiB.
void WriteRowsBottomUp(TStream& out, const TImageData& image, int64_t stride) {
  const size_t rowBytes = static_cast<size_t>(image.Width) * static_cast<size_t>(GetFormatInfo(image.Format).BytesPerPixel);
  const size_t pitch = static_cast<size_t>(stride);
  const int32_t rowsPerWrite = static_cast<int32_t>(std::max<size_t>(1, (64 * 1024) / pitch));
  std::vector<uint8_t> staged(pitch * static_cast<size_t>(std::min(rowsPerWrite, image.Height)));
  for (int32_t done = 0; done < image.Height;) {
    const int32_t count = std::min(rowsPerWrite, image.Height - done);
    for (int32_t k = 0; k < count; ++k) {
      const uint8_t* row = image.Bits.data() + static_cast<size_t>(image.Height - 1 - done - k) * rowBytes;
      std::copy(row, row + rowBytes, staged.data() + static_cast<size_t>(k) * pitch);
    }
    out.WriteBuffer(staged.data(), static_cast<int64_t>(pitch) * count);
    done += count;
  }
}

}  // namespace

TBMPFileFormat::TBMPFileFormat()
    : TImageFileFormat("Windows Bitmap Image", "*.bmp,*.dib", true, true, false,
                       {TImageFormat::Index8, TImageFormat::R5G6B5, TImageFormat::A1R5G5B5, TImageFormat::A4R4G4B4,
                        TImageFormat::X1R5G5B5, TImageFormat::X4R4G4B4, TImageFormat::R8G8B8, TImageFormat::A8R8G8B8,
                        TImageFormat::X8R8G8B8}) {}

bool TBMPFileFormat::TestFormat(TStream& stream) {
  uint8_t head[18] = {};
  const int64_t got = stream.Read(head, sizeof head);
  stream.Seek(-std::max<int64_t>(got, 0), TSeekOrigin::soCurrent);
  if (got != static_cast<int64_t>(sizeof head) || head[0] != 'B' || head[1] != 'M') return false;
  const uint32_t infoSize = head[14] | head[15] << 8 | head[16] << 16 | static_cast<uint32_t>(head[17]) << 24;
  return IsKnownInfoHeaderSize(infoSize);
}

TImageFormat TBMPFileFormat::CompatibleFormat(const TImageFormatInfo& source) const {
  using enum TImageFormat;
  if (source.IsFloatingPoint) return source.HasAlphaChannel ? A8R8G8B8 : R8G8B8;
  if (source.HasGrayChannel || source.IsIndexed) return source.HasAlphaChannel ? A8R8G8B8 : Index8;
  if (source.HasAlphaChannel) return A8R8G8B8;
  if (source.UsePixelFormat) return X1R5G5B5;
  return R8G8B8;
}

void TBMPFileFormat::SaveData(TStream& out, const TImageData& image) {
  if (!FSupportedFormats.Contains(image.Format)) {
    throw Exception("Windows Bitmap Image cannot hold pixel format " + GetFormatName(image.Format));
  }
  const TImageFormatInfo& info = GetFormatInfo(image.Format);
  const TBmpLayout layout = LayoutFor(info, FUseRLE);
  if (layout.Compression == kBiRle8) {
    const std::vector<uint8_t> rle = EncodeRle8(image);
    WriteHeaders(out, info, layout, image.Width, image.Height, static_cast<int64_t>(rle.size()), &image.Palette);
    out.WriteBuffer(rle.data(), static_cast<int64_t>(rle.size()));
    return;
  }
  const int64_t stride = Stride(image.Width, layout);
  WriteHeaders(out, info, layout, image.Width, image.Height, stride * image.Height, &image.Palette);
  WriteRowsBottomUp(out, image, stride);
}

bool TBMPFileFormat::CanSaveConverted(const TImageData&, TImageFormat target) const {
  return FSupportedFormats.Contains(target) && ConvertsPixelByPixel(target);
}

void TBMPFileFormat::SaveConverted(TStream& out, const TImageData& image, TImageFormat target) {
  const TImageFormatInfo& info = GetFormatInfo(target);
  const TBmpLayout layout = LayoutFor(info, FUseRLE);
  const int64_t stride = Stride(image.Width, layout);
  WriteHeaders(out, info, layout, image.Width, image.Height, stride * image.Height, nullptr);
  ForEachConvertedBand(image, target, true,
                       [&](const TImageData& band, int32_t) { WriteRowsBottomUp(out, band, stride); });
}
