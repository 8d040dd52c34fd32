#include "WriterSupport.h"

#include <cstring>
#include <vector>

#include "Exceptions.h"
#include "Format.h"

bool StreamStartsWith(TStream& stream, const uint8_t* signature, size_t length) {
  std::vector<uint8_t> head(length);
  const int64_t start = stream.Position();
  const int64_t got = stream.Read(head.data(), static_cast<int64_t>(length));
  stream.SetPosition(start);
  return got == static_cast<int64_t>(length) && std::memcmp(head.data(), signature, length) == 0;
}

void RaiseCodecError(const char* codec, const std::string& message) {
  throw EImagingError(Format("%s error: %s", codec, message.c_str()));
}
