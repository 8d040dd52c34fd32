// Byte streams: the abstract base, a growable memory stream, a read-only file
// stream and a file writer that replaces its target only once everything is written.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
  virtual ~TStream() = default;
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Reads up to count bytes; returns how many were read (fewer at the end).
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Writes count bytes; returns how many were written.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Seeking past the end is allowed; reads there deliver nothing.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual int64_t Size();

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }

  // Reads exactly count bytes or throws EReadError, having consumed what was there.
  void ReadBuffer(void* buffer, int64_t count);
  // Writes exactly count bytes or throws EWriteError.
  void WriteBuffer(const void* buffer, int64_t count);
  // Copies exactly count bytes from source's position to this stream's position
  // (EReadError when source runs short). A count of 0 copies nothing.
  virtual void CopyFrom(TStream& source, int64_t count);
  // Rewinds source and copies its whole content to this stream's position.
  void CopyAll(TStream& source);
};

// A byte buffer that grows when written past its end. Large buffers grow through
// realloc, which on Linux remaps pages instead of copying them.
class TMemoryStream : public TStream {
public:
  TMemoryStream() = default;
  ~TMemoryStream() override;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return size_; }
  void CopyFrom(TStream& source, int64_t count) override;

  // Size and position become 0; the memory is released.
  void Clear();
  // Sets the size; new bytes are zero. The position is kept (clamped to the size).
  void SetSize(int64_t size);
  // Makes room for at least capacity bytes without changing the content.
  void Reserve(int64_t capacity);

  uint8_t* Memory() { return data_; }
  const uint8_t* Memory() const { return data_; }

private:
  void EnsureCapacity(int64_t needed);

  uint8_t* data_ = nullptr;
  int64_t size_ = 0;
  int64_t capacity_ = 0;
  int64_t position_ = 0;
};

// A file opened by path for reading. Throws EFOpenError when it cannot be opened.
class TFileStream : public TStream {
public:
  explicit TFileStream(const std::string& path);
  ~TFileStream() override;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;

private:
  std::FILE* file_ = nullptr;
};

// Writes a file through a temporary file in the same folder, renamed over the
// target by Commit(). Until then the target stays as it was; a writer destroyed
// without Commit() removes its temporary file. Failures: EFCreateError (the target
// cannot be created) and EWriteError (a write, flush or close fails).
class TSafeFileStream : public TStream {
public:
  explicit TSafeFileStream(const std::string& path);
  ~TSafeFileStream() override;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;

  void Commit();

private:
  std::string path_;
  std::string tempPath_;
  std::FILE* file_ = nullptr;
};

// Writes count bytes to path through TSafeFileStream (an empty file for count 0).
void WriteFileSafely(const std::string& path, const void* bytes, int64_t count);
