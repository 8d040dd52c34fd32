// The data region: a chain of stored and zlib-compressed chunks whose contents,
// back to back, form the resource stream.
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <new>

#include "Exceptions.h"
#include "Format.h"
#include "TavrelLib.h"
#include "TavrelLib_Stages.h"

namespace tavrel {

namespace {

const std::string kInsufficientMemory = zError(Z_MEM_ERROR);
constexpr uInt kInflatePiece = 256 * 1024;

// A zlib result as a failure carrying the library's standard text.
class ZlibFailure : public std::runtime_error {
public:
  explicit ZlibFailure(int code) : std::runtime_error(zError(code)) {}
  explicit ZlibFailure(const std::string& text) : std::runtime_error(text) {}
};

struct Inflater {
  z_stream zs{};
  Inflater() {
    const int rc = inflateInit(&zs);
    if (rc != Z_OK) throw ZlibFailure(rc);
  }
  ~Inflater() { inflateEnd(&zs); }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;
};

void InflateAppendUnwrapped(const uint8_t* in, int64_t count, TMemoryStream& out, int64_t limit) {
  static thread_local std::unique_ptr<uint8_t[]> scratch(new uint8_t[kInflatePiece]);
  Inflater inflater;
  z_stream& zs = inflater.zs;
  zs.next_in = const_cast<Bytef*>(in);
  zs.avail_in = static_cast<uInt>(count);  // at most 2^31 - 1: chunk lengths are signed 32-bit
  for (;;) {
    zs.next_out = scratch.get();
    zs.avail_out = kInflatePiece;
    const int rc = inflate(&zs, Z_NO_FLUSH);
    const int64_t produced = kInflatePiece - zs.avail_out;
    if (out.Size() + produced > limit) throw ZlibFailure(kInsufficientMemory);
    out.WriteBuffer(scratch.get(), produced);
    if (rc == Z_STREAM_END) return;  // bytes after the zlib stream are ignored
    // Input used up before the stream's end: keep what came out so far.
    if (rc == Z_BUF_ERROR && zs.avail_in == 0) return;
    if (rc == Z_OK) continue;
    throw ZlibFailure(rc);  // Z_NEED_DICT gives "need dictionary"
  }
}

}  // namespace

void InflateAppend(const uint8_t* in, int64_t count, TMemoryStream& out, int64_t limit) {
  try {
    InflateAppendUnwrapped(in, count, out, limit);
  } catch (const std::bad_alloc&) {
    Fail(kLineDecompression, "Decompression Error. (" + kInsufficientMemory + ")");
  } catch (...) {
    Fail(kLineDecompression, "Decompression Error. (" + CurrentExceptionText() + ")");
  }
}

namespace {

// Fails as a short read would, but before anything is copied, so a lying
// length never reserves memory for bytes that are not there.
void RequireFileBytes(TJustFileStream& file, int64_t fileSize, int64_t count) {
  if (count > fileSize - file.Position()) {
    file.Seek(0, TSeekOrigin::soEnd);
    throw EReadError();
  }
}

void FailTooLarge() { Fail(kLineDecompression, "Decompression Error. (" + kInsufficientMemory + ")"); }

}  // namespace

void ReadChunks(TIEFile& f, TJustMemoryStream& chunkBuffer) {
  TJustFileStream& file = *f.data;
  const int64_t fileSize = file.Size();
  const int32_t dataOffset = f.header.data_offset;
  if (dataOffset < 0) {
    Fail(kLineDataOffset, Format("Data region offset %d lies outside the file (%lld bytes)", dataOffset,
                                 static_cast<long long>(fileSize)));
  }
  file.SetPosition(dataOffset);
  file.ReadInteger();
  file.ReadInteger();
  file.ReadByte();

  for (;;) {
    const int64_t chunkAt = file.Position();
    const int32_t length = file.ReadInteger();
    if (length == 0) break;
    // A negative length would seek back onto the same length word for ever.
    if (length < 0) {
      Fail(kLineChunkLength, Format("Data chunk at %lld has a negative length (%d)",
                                    static_cast<long long>(chunkAt), length));
    }
    const uint8_t flag = file.ReadByte();
    if (flag == 1) {
      file.ReadInteger();
      const int16_t headerLength = file.ReadSmallInteger();
      if (headerLength < 6 || headerLength > length) {
        Fail(kLineChunkHeader, Format("Compressed data chunk at %lld has a header length of %d outside 6..%d",
                                      static_cast<long long>(chunkAt), headerLength, length));
      }
      file.ReadDString(headerLength - 6);
      const int64_t payloadAt = file.Position();
      const int64_t payload = length - headerLength;
      RequireFileBytes(file, fileSize, payload);
      chunkBuffer.CopyFrom(file, payload);
      InflateAppend(chunkBuffer.Memory(), chunkBuffer.Size(), f.decomp, kMaxResourceStream);
      chunkBuffer.SetSize(0);  // keeps the buffer's memory for the next chunk
      chunkBuffer.SetPosition(0);
      file.SetPosition(payloadAt + payload);
    } else {
      const int64_t bodyAt = file.Position();
      RequireFileBytes(file, fileSize, length);
      if (f.decomp.Size() + length > kMaxResourceStream) FailTooLarge();
      f.decomp.CopyFrom(file, length);
      file.SetPosition(bodyAt + length);
    }
  }
  f.decomp.SetPosition(0);
}

}  // namespace tavrel

void InflateChunk(TJustMemoryStream& buffer) {
  TMemoryStream inflated;
  tavrel::InflateAppend(buffer.Memory(), buffer.Size(), inflated, tavrel::kMaxResourceStream);
  buffer.Clear();
  buffer.WriteBuffer(inflated.Memory(), inflated.Size());
  buffer.SetPosition(0);
}
