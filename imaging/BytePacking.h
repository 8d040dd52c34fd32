// Appending integers and text to a byte buffer in a stated byte order. The
// writers build headers and sample rows with these, then hand whole buffers
// to the stream.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

using TByteBuffer = std::vector<uint8_t>;

inline void PutU8(TByteBuffer& out, uint32_t v) { out.push_back(static_cast<uint8_t>(v)); }

inline void PutLE16(TByteBuffer& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void PutLE32(TByteBuffer& out, uint32_t v) {
  PutLE16(out, v & 0xFFFF);
  PutLE16(out, v >> 16);
}

inline void PutBE16(TByteBuffer& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}

inline void PutBE32(TByteBuffer& out, uint32_t v) {
  PutBE16(out, v >> 16);
  PutBE16(out, v & 0xFFFF);
}

inline void PutText(TByteBuffer& out, std::string_view text) { out.insert(out.end(), text.begin(), text.end()); }

inline void PutBytes(TByteBuffer& out, const uint8_t* bytes, size_t count) { out.insert(out.end(), bytes, bytes + count); }

// A little-endian sample of 1, 2 or 4 bytes, as the internal formats store them.
inline uint32_t GetLESample(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

// Appends a sample of 1, 2 or 4 bytes most significant byte first.
inline void PutBESample(TByteBuffer& out, uint32_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
