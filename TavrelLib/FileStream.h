// Little-endian number and string readers on the archive's file and memory streams.
//
// Every reader consumes exactly the bytes it decodes. A reader that needs more
// bytes than the stream holds throws EReadError ("Stream-Lesefehler") after
// consuming what was there. Text is UTF-8; every stored byte becomes one
// character through the fixed single-byte code page (a zero byte included).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "Stream.h"

// The readers work on any stream; the two classes below expose the subsets
// each of them carries.
namespace stream_readers {
uint32_t ReadDWORD(TStream& s);
int32_t ReadInteger(TStream& s);
float ReadSingle(TStream& s);
double ReadDouble(TStream& s);
uint8_t ReadByte(TStream& s);
int16_t ReadSmallInteger(TStream& s);
// 4-byte length, then that many characters; a length that is 0 or negative as
// a signed number reads nothing more.
std::string ReadString(TStream& s);
// Bytes up to and including the first zero byte, which ends the text as U+0000.
std::string ReadNString(TStream& s);
// len characters; nothing when len <= 0.
std::string ReadDString(TStream& s, int32_t len);
// 2-byte signed length (negative reads nothing), then that many characters.
std::string ReadSmallIntString(TStream& s);
// 1-byte length, then that many characters.
std::string ReadByteString(TStream& s);
// ReadString items up to a zero length word, which is left unread.
std::vector<std::string> ReadStringList(TStream& s);
// Writes the next range bytes as "XX  " pieces and then one line feed to out,
// flushing each piece. A range of 0 or with its top bit set dumps no byte.
// Output failures throw EInOutError.
void DumpData(TStream& s, uint32_t range, std::FILE* out);
}  // namespace stream_readers

// The readers both stream classes carry.
template <class Base>
class TStreamReaders : public Base {
public:
  using Base::Base;

  uint32_t ReadDWORD() { return stream_readers::ReadDWORD(*this); }
  int32_t ReadInteger() { return stream_readers::ReadInteger(*this); }
  float ReadSingle() { return stream_readers::ReadSingle(*this); }
  uint8_t ReadByte() { return stream_readers::ReadByte(*this); }
  int16_t ReadSmallInteger() { return stream_readers::ReadSmallInteger(*this); }
  std::string ReadString() { return stream_readers::ReadString(*this); }
  std::string ReadDString(int32_t len) { return stream_readers::ReadDString(*this, len); }
  std::vector<std::string> ReadStringList() { return stream_readers::ReadStringList(*this); }
  void DumpData(uint32_t range, std::FILE* out = stdout) { stream_readers::DumpData(*this, range, out); }
};

// The archive file, opened by path for reading.
class TJustFileStream : public TStreamReaders<TFileStream> {
public:
  using TStreamReaders::TStreamReaders;

  double ReadDouble() { return stream_readers::ReadDouble(*this); }
  std::string ReadNString() { return stream_readers::ReadNString(*this); }
};

// A growable in-memory stream: the resource stream and the chunk buffer.
class TJustMemoryStream : public TStreamReaders<TMemoryStream> {
public:
  std::string ReadSmallIntString() { return stream_readers::ReadSmallIntString(*this); }
  std::string ReadByteString() { return stream_readers::ReadByteString(*this); }
};
