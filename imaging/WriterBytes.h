// A byte buffer that writers fill with little-endian fields, byte by byte, so no
// struct layout or host byte order ever reaches a file.
#pragma once

#include <cstdint>
#include <vector>

class TWriterBytes {
public:
  TWriterBytes& U8(uint32_t v) {
    bytes_.push_back(static_cast<uint8_t>(v));
    return *this;
  }
  TWriterBytes& U16(uint32_t v) { return U8(v).U8(v >> 8); }
  TWriterBytes& U32(uint32_t v) { return U16(v).U16(v >> 16); }
  TWriterBytes& I32(int32_t v) { return U32(static_cast<uint32_t>(v)); }
  TWriterBytes& Zeros(size_t count) {
    bytes_.insert(bytes_.end(), count, 0);
    return *this;
  }

  const uint8_t* Data() const { return bytes_.data(); }
  int64_t Size() const { return static_cast<int64_t>(bytes_.size()); }

private:
  std::vector<uint8_t> bytes_;
};
