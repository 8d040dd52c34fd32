#include "JNGFormat.h"

#include <string_view>

#include "BytePacking.h"
#include "JPEGFormat.h"
#include "NetworkGraphicsChunks.h"
#include "PNGFormat.h"
#include "WriterSupport.h"

namespace {

using F = TImageFormat;

constexpr uint8_t kSignature[8] = {0x8B, 'J', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
// The signature and the first chunk's length and type (the 16-byte JHDR).
constexpr uint8_t kFileStart[16] = {0x8B, 'J', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 16, 'J', 'H', 'D', 'R'};

// Header field values.
constexpr uint32_t kColorGray = 8, kColorRGB = 10, kAlphaFlag = 4;  // 12 grey+alpha, 14 RGB+alpha
constexpr uint32_t kCompressionHuffman = 8;  // baseline or progressive JPEG
constexpr uint32_t kInterlaceNone = 0, kInterlaceProgressive = 8;
constexpr uint32_t kAlphaDeflate = 0, kAlphaJPEG = 8;
constexpr int kFilterNone = 0;

// Pulls samples out of interleaved pixels into a one-channel or three-channel image.
TImageData ExtractSamples(const TImageData& image, F target, int firstByte) {
  const int bpp = GetFormatInfo(image.Format).BytesPerPixel;
  const int count = GetFormatInfo(target).BytesPerPixel;
  const size_t pixels = static_cast<size_t>(image.Width) * static_cast<size_t>(image.Height);
  TImageData part;
  part.Width = image.Width;
  part.Height = image.Height;
  part.Format = target;
  part.Size = static_cast<int32_t>(pixels * count);
  part.Bits.resize(pixels * count);
  const uint8_t* from = image.Bits.data() + firstByte;
  uint8_t* to = part.Bits.data();
  for (size_t i = 0; i < pixels; ++i, from += bpp, to += count) {
    for (int c = 0; c < count; ++c) to[c] = from[c];
  }
  return part;
}

// The deflated rows of the alpha channel: the IDAT chunks of a grey PNG of it.
void WriteLosslessAlpha(TStream& out, const TImageData& alpha, int compressLevel) {
  TMemoryStream png;
  EncodePNG(png, alpha, kFilterNone, compressLevel);
  for (const TChunkView& chunk : SplitPNGChunks(png.Memory(), static_cast<size_t>(png.Size()))) {
    if (std::string_view(chunk.Type) == "IDAT") out.WriteBuffer(chunk.Whole, static_cast<int64_t>(chunk.WholeLength));
  }
}

void WriteJPEGChunks(TStream& out, const char* type, const TImageData& image, int quality, bool progressive) {
  TMemoryStream jpeg;
  EncodeJPEG(jpeg, image, quality, progressive);
  WriteChunkRun(out, type, jpeg.Memory(), static_cast<size_t>(jpeg.Size()));
}

}  // namespace

TJNGFileFormat::TJNGFileFormat()
    : TImageFileFormat("JPEG Network Graphics", "*.jng", false, true, false,
                       {F::Gray8, F::A8Gray8, F::R8G8B8, F::A8R8G8B8}) {}

bool TJNGFileFormat::TestFormat(TStream& stream) { return StreamStartsWith(stream, kFileStart, sizeof(kFileStart)); }

TImageFormat TJNGFileFormat::CompatibleFormat(const TImageFormatInfo& source) const {
  if (source.HasGrayChannel) return source.HasAlphaChannel ? F::A8Gray8 : F::Gray8;
  return source.HasAlphaChannel ? F::A8R8G8B8 : F::R8G8B8;
}

void TJNGFileFormat::SaveData(TStream& out, const TImageData& image) {
  const TImageFormatInfo& info = GetFormatInfo(image.Format);
  const bool alpha = info.HasAlphaChannel;
  const F colorFormat = info.HasGrayChannel ? F::Gray8 : F::R8G8B8;
  const int colorBytes = GetFormatInfo(colorFormat).BytesPerPixel;

  out.WriteBuffer(kSignature, sizeof(kSignature));
  TByteBuffer header;
  PutBE32(header, static_cast<uint32_t>(image.Width));
  PutBE32(header, static_cast<uint32_t>(image.Height));
  PutU8(header, (info.HasGrayChannel ? kColorGray : kColorRGB) | (alpha ? kAlphaFlag : 0));
  PutU8(header, 8);  // image sample depth
  PutU8(header, kCompressionHuffman);
  PutU8(header, FProgressive ? kInterlaceProgressive : kInterlaceNone);
  PutU8(header, alpha ? 8 : 0);  // alpha sample depth
  PutU8(header, alpha && FLossyAlpha ? kAlphaJPEG : kAlphaDeflate);
  PutU8(header, 0);  // alpha filter method: PNG's adaptive filtering
  PutU8(header, 0);  // alpha not interlaced
  WriteChunk(out, "JHDR", header.data(), header.size());

  if (alpha) {
    WriteJPEGChunks(out, "JDAT", ExtractSamples(image, colorFormat, 0), FQuality, FProgressive);
    const TImageData alphaPlane = ExtractSamples(image, F::Gray8, colorBytes);
    if (FLossyAlpha) {
      WriteJPEGChunks(out, "JDAA", alphaPlane, FQuality, false);
    } else {
      WriteLosslessAlpha(out, alphaPlane, FCompressLevel);
    }
  } else {
    WriteJPEGChunks(out, "JDAT", image, FQuality, FProgressive);
  }
  WriteChunk(out, "IEND", nullptr, 0);
}
