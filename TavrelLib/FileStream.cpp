#include "FileStream.h"

#include <cerrno>
#include <cstring>

#include "CodePage.h"
#include "Exceptions.h"

namespace stream_readers {

namespace {

template <class T, size_t N>
T ReadLittleEndian(TStream& s) {
  uint8_t bytes[N];
  s.ReadBuffer(bytes, N);
  uint64_t value = 0;
  for (size_t i = 0; i < N; ++i) value |= static_cast<uint64_t>(bytes[i]) << (8 * i);
  return static_cast<T>(value);
}

// Reads count characters in pieces, so a huge length from a broken file costs
// no more memory than the bytes the stream really holds.
std::string ReadChars(TStream& s, int64_t count) {
  std::string text;
  uint8_t piece[4096];
  while (count > 0) {
    const int64_t want = count < static_cast<int64_t>(sizeof piece) ? count : sizeof piece;
    const int64_t got = s.Read(piece, want);
    for (int64_t i = 0; i < got; ++i) AppendAnsiChar(text, piece[i]);
    if (got != want) throw EReadError();
    count -= want;
  }
  return text;
}

void WriteOut(std::FILE* out, const char* text) {
  if (std::fputs(text, out) == EOF || std::fflush(out) == EOF) {
    throw EInOutError("E/A-Fehler " + std::to_string(errno ? errno : EIO));
  }
}

}  // namespace

uint32_t ReadDWORD(TStream& s) { return ReadLittleEndian<uint32_t, 4>(s); }
int32_t ReadInteger(TStream& s) { return ReadLittleEndian<int32_t, 4>(s); }
uint8_t ReadByte(TStream& s) { return ReadLittleEndian<uint8_t, 1>(s); }
int16_t ReadSmallInteger(TStream& s) { return ReadLittleEndian<int16_t, 2>(s); }

float ReadSingle(TStream& s) {
  const uint32_t bits = ReadDWORD(s);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

double ReadDouble(TStream& s) {
  const uint64_t bits = ReadLittleEndian<uint64_t, 8>(s);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// The length is taken as signed: 2^31 and more read no characters.
std::string ReadString(TStream& s) { return ReadChars(s, static_cast<int32_t>(ReadDWORD(s))); }
std::string ReadDString(TStream& s, int32_t len) { return ReadChars(s, len); }
std::string ReadSmallIntString(TStream& s) { return ReadChars(s, ReadSmallInteger(s)); }
std::string ReadByteString(TStream& s) { return ReadChars(s, ReadByte(s)); }

std::string ReadNString(TStream& s) {
  std::string text;
  uint8_t byte = 0;
  do {
    byte = ReadByte(s);
    AppendAnsiChar(text, byte);
  } while (byte != 0);
  return text;
}

std::vector<std::string> ReadStringList(TStream& s) {
  std::vector<std::string> list;
  // Every item consumes at least its 4 length bytes, so the loop ends at the
  // stream's end at the latest.
  while (ReadDWORD(s) != 0) {
    s.SetPosition(s.Position() - 4);
    list.push_back(ReadString(s));
  }
  s.SetPosition(s.Position() - 4);
  return list;
}

void DumpData(TStream& s, uint32_t range, std::FILE* out) {
  const int32_t count = static_cast<int32_t>(range);
  for (int32_t i = 0; i < count; ++i) {
    char piece[8];
    std::snprintf(piece, sizeof piece, "%02X  ", ReadByte(s));
    WriteOut(out, piece);
  }
  WriteOut(out, "\n");
}

}  // namespace stream_readers
