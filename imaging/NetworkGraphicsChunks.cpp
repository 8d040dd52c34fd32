#include "NetworkGraphicsChunks.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "BytePacking.h"
#include "Exceptions.h"

namespace {

constexpr uint8_t kPNGSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr size_t kChunkOverhead = 12;          // length, type, CRC
constexpr size_t kMaxChunkData = size_t{1} << 30;  // well under the format's 2^31 - 1

uint32_t ReadBE32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

}  // namespace

std::vector<TChunkView> SplitPNGChunks(const uint8_t* png, size_t size) {
  if (size < sizeof(kPNGSignature) || std::memcmp(png, kPNGSignature, sizeof(kPNGSignature)) != 0) {
    throw EImagingError("PNG stream without signature");
  }
  std::vector<TChunkView> chunks;
  size_t at = sizeof(kPNGSignature);
  while (at < size) {
    if (size - at < kChunkOverhead) throw EImagingError("PNG stream ends inside a chunk");
    const uint32_t length = ReadBE32(png + at);
    if (length > size - at - kChunkOverhead) throw EImagingError("PNG stream ends inside a chunk");
    TChunkView chunk;
    std::memcpy(chunk.Type, png + at + 4, 4);
    chunk.Data = png + at + 8;
    chunk.Length = length;
    chunk.Whole = png + at;
    chunk.WholeLength = kChunkOverhead + length;
    chunks.push_back(chunk);
    at += chunk.WholeLength;
  }
  return chunks;
}

void WriteChunk(TStream& out, const char* type, const uint8_t* data, size_t length) {
  if (length > kMaxChunkData) throw EImagingError("Chunk data too long");
  TByteBuffer head;
  PutBE32(head, static_cast<uint32_t>(length));
  PutText(head, std::string_view(type, 4));
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, head.data() + 4, 4);
  if (length > 0) crc = crc32(crc, data, static_cast<uInt>(length));
  out.WriteBuffer(head.data(), static_cast<int64_t>(head.size()));
  if (length > 0) out.WriteBuffer(data, static_cast<int64_t>(length));
  TByteBuffer tail;
  PutBE32(tail, static_cast<uint32_t>(crc));
  out.WriteBuffer(tail.data(), static_cast<int64_t>(tail.size()));
}

void WriteChunkRun(TStream& out, const char* type, const uint8_t* data, size_t length) {
  size_t done = 0;
  do {
    const size_t piece = std::min(length - done, kMaxChunkData);
    WriteChunk(out, type, data + done, piece);
    done += piece;
  } while (done < length);
}
