#include "DDSFormat.h"

#include <algorithm>
#include <cstring>

#include "Conversion.h"
#include "DDSHeader.h"
#include "Exceptions.h"
#include "Format.h"

namespace {

constexpr uint32_t kMagic = 0x20534444;  // "DDS "
constexpr uint32_t kCaps1Texture = 0x1000;
constexpr uint32_t kFlagPitch = 0x8, kFlagLinearSize = 0x80000;

// Every format the loader can select.
const TImageFormats kLoadedFormats{
    TImageFormat::DXT1,         TImageFormat::DXT3,         TImageFormat::DXT5,          TImageFormat::ATI1N,
    TImageFormat::ATI2N,        TImageFormat::A16B16G16R16, TImageFormat::R16F,          TImageFormat::A16B16G16R16F,
    TImageFormat::R32F,         TImageFormat::A32B32G32R32F, TImageFormat::A4R4G4B4,     TImageFormat::A1R5G5B5,
    TImageFormat::A8R8G8B8,     TImageFormat::R3G3B2,       TImageFormat::X4R4G4B4,      TImageFormat::X1R5G5B5,
    TImageFormat::R5G6B5,       TImageFormat::R8G8B8,       TImageFormat::X8R8G8B8,      TImageFormat::A8Gray8,
    TImageFormat::Gray8,        TImageFormat::Gray16};

// The stream's identity in error texts: the low 32 bits of its address.
std::string StreamId(const TStream& stream) {
  return Format("%08X", static_cast<unsigned>(reinterpret_cast<uintptr_t>(&stream) & 0xFFFFFFFFu));
}

// Reads up to count bytes; whatever the stream does not deliver stays as it was
// (zero). False when the stream ran out first.
bool ReadUpTo(TStream& stream, uint8_t* buffer, int64_t count) {
  while (count > 0) {
    const int64_t got = stream.Read(buffer, count);
    if (got <= 0) return false;
    buffer += got;
    count -= got;
  }
  return true;
}

// Moves forward by count bytes, but never past the end of the stream.
void SkipForward(TStream& stream, int64_t count) {
  if (count <= 0) return;
  const int64_t position = stream.Position();
  const int64_t left = std::max<int64_t>(0, stream.Size() - position);
  stream.Seek(std::min(count, left), TSeekOrigin::soCurrent);
}

// One subimage's rows as stored: pixel rows for plain formats, rows of 4x4
// blocks for block-compressed ones.
struct TStoredRows {
  int64_t Count;
  int64_t Bytes;
};

TStoredRows RowsOf(const TImageData& image) {
  const TImageFormatInfo& info = GetFormatInfo(image.Format);
  if (info.IsSpecial) {
    const int64_t rows = image.Height / 4;
    return {rows, image.Size / rows};
  }
  return {image.Height, int64_t{image.Width} * info.BytesPerPixel};
}

// Pitch mode: rows of pitch bytes, of which the first rows.Bytes belong to the image.
void ReadPitched(TStream& stream, TImageData& image, int64_t pitch) {
  const TStoredRows rows = RowsOf(image);
  // A pitch shorter than a row cannot hold the row: read the rows back to back.
  if (pitch < rows.Bytes) pitch = rows.Bytes;
  if (pitch == rows.Bytes) {
    ReadUpTo(stream, image.Bits.data(), image.Size);
    return;
  }
  // Rows after the end of the data stay zero: a tall image announced by a tiny
  // file must not cost a loop over every missing row.
  for (int64_t row = 0; row < rows.Count; ++row) {
    if (!ReadUpTo(stream, image.Bits.data() + row * rows.Bytes, rows.Bytes)) return;
    SkipForward(stream, pitch - rows.Bytes);
  }
}

void ReadSubimage(TStream& stream, TImageData& image, bool first, uint32_t announced, bool linear) {
  if (linear) {
    // A linear size larger than the image is read only as far as the image goes;
    // the next subimage starts right after it.
    const int64_t bytes = first && announced ? std::min<int64_t>(announced, image.Size) : image.Size;
    ReadUpTo(stream, image.Bits.data(), bytes);
    return;
  }
  const TImageFormatInfo& info = GetFormatInfo(image.Format);
  const int64_t naturalPitch = info.IsSpecial ? RowsOf(image).Bytes : (int64_t{image.Width} * info.BytesPerPixel + 3) & ~int64_t{3};
  ReadPitched(stream, image, first && announced ? int64_t{announced} : naturalPitch);
}

// Checks every subimage's size against the caps before anything is allocated, so
// a hostile header fails at once with the allocation text.
void CheckTextureSize(const TDDSLayout& layout, TImageFormat format) {
  int64_t total = 0;
  for (const TDDSSize& s : layout.Subimages) {
    total += CheckedImageSize(s.Width, s.Height, format);
    if (total > ImagingLimits().MaxTextureBytes) {
      throw EImagingError(Format("Error while creating image data with params: Width=%d Height=%d Format=%s.",
                                 s.Width, s.Height, GetFormatInfo(format).Name));
    }
  }
}

}  // namespace

TDDSFileFormat::TDDSFileFormat()
    : TImageFileFormat("DirectDraw Surface", "*.dds", true, true, true, kLoadedFormats) {}

bool TDDSFileFormat::TestFormat(TStream& stream) {
  uint8_t bytes[kDDSHeaderBytes] = {};
  int64_t got = 0;
  while (got < kDDSHeaderBytes) {
    const int64_t n = stream.Read(bytes + got, kDDSHeaderBytes - got);
    if (n <= 0) break;
    got += n;
  }
  stream.Seek(-got, TSeekOrigin::soCurrent);
  const TDDSHeader header = ParseDDSHeader(bytes);
  return got == kDDSHeaderBytes && header.Magic == kMagic && (header.Caps1 & kCaps1Texture);
}

bool TDDSFileFormat::LoadFromStream(TStream& stream, TDynImageDataArray& images, bool) {
  images.clear();
  FLoadedCubeMap = FLoadedVolume = false;
  FLoadedMipMapCount = FLoadedDepth = 0;
  const std::string outer = Format("Error while loading images from stream %s (file format: %s).",
                                   StreamId(stream).c_str(), FExtensions.front().c_str());
  if (!TestFormat(stream)) {
    throw EImagingError(outer, Format("Stream %s does not contain valid image in \"%s\" format.",
                                      StreamId(stream).c_str(), FName.c_str()));
  }
  const int64_t start = stream.Position();
  try {
    uint8_t bytes[kDDSHeaderBytes];
    ReadUpTo(stream, bytes, kDDSHeaderBytes);
    const TDDSHeader header = ParseDDSHeader(bytes);
    const std::optional<TDDSPixelFormat> pixelFormat = SelectDDSPixelFormat(header);
    if (!pixelFormat) return false;

    const TDDSLayout layout = ComputeDDSLayout(header, ImagingLimits().MaxSubimages);
    FLoadedCubeMap = layout.CubeMap;
    FLoadedVolume = layout.Volume;
    FLoadedMipMapCount = layout.MipMapCount;
    FLoadedDepth = layout.Depth;
    if (layout.FirstExcess) {
      throw EImagingError(Format("Error while creating image data with params: Width=%d Height=%d Format=%s.",
                                 layout.FirstExcess->Width, layout.FirstExcess->Height,
                                 GetFormatInfo(pixelFormat->Format).Name));
    }
    CheckTextureSize(layout, pixelFormat->Format);

    const bool linear = (header.Flags & kFlagLinearSize) || !(header.Flags & (kFlagPitch | kFlagLinearSize));
    images.resize(layout.Subimages.size());
    for (size_t i = 0; i < images.size(); ++i) {
      NewImage(layout.Subimages[i].Width, layout.Subimages[i].Height, pixelFormat->Format, images[i]);
      ReadSubimage(stream, images[i], i == 0, header.PitchOrLinearSize, linear);
      if (pixelFormat->SwapRedBlue) SwapRedBlueChannels(images[i]);
    }
  } catch (...) {
    images.clear();
    stream.SetPosition(start);
    throw EImagingError(outer, CurrentExceptionText());
  }
  const bool valid = !images.empty() && std::all_of(images.begin(), images.end(), TestImage);
  if (!valid) images.clear();
  return valid;
}
