#include "MNGFormat.h"

#include "BytePacking.h"
#include "NetworkGraphicsChunks.h"
#include "PNGFormat.h"
#include "WriterSupport.h"

namespace {

constexpr uint8_t kSignature[8] = {0x8A, 'M', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
// The signature and the first chunk's length and type: every MNG starts with
// its 28-byte header chunk.
constexpr uint8_t kFileStart[16] = {0x8A, 'M', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 28, 'M', 'H', 'D', 'R'};

// Simplicity profile bits: the profile is valid (a plain "very low
// complexity" stream), and whether transparency may be present.
constexpr uint32_t kProfileValid = 0x1;
constexpr uint32_t kProfileTransparency = 0x8;

bool HasTransparency(const TImageData& image) {
  if (GetFormatInfo(image.Format).HasAlphaChannel) return true;
  for (const TColor32Rec& entry : image.Palette) {
    if (entry.A != 255) return true;
  }
  return false;
}

}  // namespace

TMNGFileFormat::TMNGFileFormat()
    : TImageFileFormat("Multiple Network Graphics", "*.mng", false, true, true, kPNGSupportedFormats) {}

bool TMNGFileFormat::TestFormat(TStream& stream) { return StreamStartsWith(stream, kFileStart, sizeof(kFileStart)); }

TImageFormat TMNGFileFormat::CompatibleFormat(const TImageFormatInfo& source) const {
  return PNGCompatibleFormat(source);
}

void TMNGFileFormat::SaveData(TStream& out, const TImageData& image) {
  TMemoryStream png;
  EncodePNG(png, image, FPreFilter, FCompressLevel);
  const std::vector<TChunkView> chunks = SplitPNGChunks(png.Memory(), static_cast<size_t>(png.Size()));

  out.WriteBuffer(kSignature, sizeof(kSignature));
  TByteBuffer header;
  PutBE32(header, static_cast<uint32_t>(image.Width));   // frame width
  PutBE32(header, static_cast<uint32_t>(image.Height));  // frame height
  PutBE32(header, 1);                                    // ticks per second
  PutBE32(header, 1);                                    // layers
  PutBE32(header, 1);                                    // frames
  PutBE32(header, 1);                                    // play time in ticks
  PutBE32(header, kProfileValid | (HasTransparency(image) ? kProfileTransparency : 0));
  WriteChunk(out, "MHDR", header.data(), header.size());
  // The PNG image's chunks, IHDR through IEND, exactly as the encoder made them.
  for (const TChunkView& chunk : chunks) out.WriteBuffer(chunk.Whole, static_cast<int64_t>(chunk.WholeLength));
  WriteChunk(out, "MEND", nullptr, 0);
}
