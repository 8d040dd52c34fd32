#include "Stream.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Exceptions.h"

// ---- TStream ---------------------------------------------------------------

int64_t TStream::Size() {
  const int64_t here = Position();
  const int64_t end = Seek(0, TSeekOrigin::soEnd);
  Seek(here, TSeekOrigin::soBeginning);
  return end;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count <= 0) return;
  if (Read(buffer, count) != count) throw EReadError();
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count <= 0) return;
  if (Write(buffer, count) != count) throw EWriteError();
}

void TStream::CopyFrom(TStream& source, int64_t count) {
  std::vector<uint8_t> chunk(static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(count, 0), 1 << 16)));
  while (count > 0) {
    const int64_t n = std::min<int64_t>(count, static_cast<int64_t>(chunk.size()));
    const int64_t got = source.Read(chunk.data(), n);
    WriteBuffer(chunk.data(), got);
    if (got != n) throw EReadError();
    count -= n;
  }
}

void TStream::CopyAll(TStream& source) {
  source.SetPosition(0);
  CopyFrom(source, source.Size());
}

// ---- TMemoryStream ---------------------------------------------------------

TMemoryStream::~TMemoryStream() { std::free(data_); }

void TMemoryStream::EnsureCapacity(int64_t needed) {
  if (needed <= capacity_) return;
  // Grow by half again; realloc of a large block remaps instead of copying, and
  // untouched pages of the slack cost no resident memory.
  int64_t capacity = std::max<int64_t>(needed, capacity_ + capacity_ / 2);
  capacity = std::max<int64_t>(capacity, 256);
  Reserve(capacity);
}

void TMemoryStream::Reserve(int64_t capacity) {
  if (capacity <= capacity_) return;
  if (capacity > static_cast<int64_t>(PTRDIFF_MAX / 2)) throw std::bad_alloc();
  void* grown = std::realloc(data_, static_cast<size_t>(capacity));
  if (!grown) throw std::bad_alloc();
  data_ = static_cast<uint8_t*>(grown);
  capacity_ = capacity;
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || position_ >= size_) return 0;
  const int64_t n = std::min(count, size_ - position_);
  std::memcpy(buffer, data_ + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const int64_t end = position_ + count;
  EnsureCapacity(end);
  if (position_ > size_) std::memset(data_ + size_, 0, static_cast<size_t>(position_ - size_));
  std::memcpy(data_ + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  size_ = std::max(size_, end);
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = 0;
  if (origin == TSeekOrigin::soCurrent) base = position_;
  if (origin == TSeekOrigin::soEnd) base = size_;
  position_ = std::max<int64_t>(0, base + offset);
  return position_;
}

void TMemoryStream::CopyFrom(TStream& source, int64_t count) {
  if (count <= 0) return;
  // Read straight into our own buffer: one copy instead of two.
  const int64_t start = position_;
  EnsureCapacity(start + count);
  if (start > size_) std::memset(data_ + size_, 0, static_cast<size_t>(start - size_));
  int64_t got = 0;
  while (got < count) {
    const int64_t n = source.Read(data_ + start + got, count - got);
    if (n <= 0) break;
    got += n;
  }
  position_ = start + got;
  size_ = std::max(size_, position_);
  if (got != count) throw EReadError();
}

void TMemoryStream::Clear() {
  std::free(data_);
  data_ = nullptr;
  size_ = capacity_ = position_ = 0;
}

void TMemoryStream::SetSize(int64_t size) {
  size = std::max<int64_t>(size, 0);
  EnsureCapacity(size);
  if (size > size_) std::memset(data_ + size_, 0, static_cast<size_t>(size - size_));
  size_ = size;
  position_ = std::min(position_, size_);
}

// ---- TFileStream -----------------------------------------------------------

TFileStream::TFileStream(const std::string& path) {
  if (path.find('\0') != std::string::npos) throw EFOpenError(path, std::strerror(EINVAL));
  file_ = std::fopen(path.c_str(), "rb");
  if (!file_) throw EFOpenError(path, std::strerror(errno));
}

TFileStream::~TFileStream() {
  if (file_) std::fclose(file_);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  return static_cast<int64_t>(std::fread(buffer, 1, static_cast<size_t>(count), file_));
}

int64_t TFileStream::Write(const void*, int64_t) { return 0; }

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                     : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                        : SEEK_END;
  if (fseeko(file_, offset, whence) != 0) {
    // A seek before the start: stay at the start, as the memory stream does.
    fseeko(file_, 0, SEEK_SET);
  }
  return ftello(file_);
}

int64_t TFileStream::Size() {
  struct stat st {};
  if (fstat(fileno(file_), &st) != 0) return 0;
  return st.st_size;
}

// ---- TSafeFileStream -------------------------------------------------------

namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The reason a file of this name can never be created, or 0.
int InvalidTargetReason(const std::string& path) {
  if (path.find('\0') != std::string::npos) return EINVAL;
  const std::string name = NameOf(path);
  if (name.empty() || name == "." || name == "..") return EISDIR;
  if (name.size() > NAME_MAX || path.size() >= PATH_MAX) return ENAMETOOLONG;
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return EISDIR;
  return 0;
}

}  // namespace

TSafeFileStream::TSafeFileStream(const std::string& path) : path_(path) {
  if (const int reason = InvalidTargetReason(path)) throw EFCreateError(path, std::strerror(reason));
  std::string pattern = FolderOf(path) + "/.quorvin-XXXXXX";
  const int fd = mkstemp(pattern.data());
  if (fd < 0) throw EFCreateError(path, std::strerror(errno));
  // mkstemp creates 0600; give the file the mode a plain create would.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  tempPath_ = pattern;
  file_ = fdopen(fd, "wb");
  if (!file_) {
    const int err = errno;
    close(fd);
    unlink(tempPath_.c_str());
    throw EFCreateError(path, std::strerror(err));
  }
}

TSafeFileStream::~TSafeFileStream() {
  if (file_) {
    std::fclose(file_);
    unlink(tempPath_.c_str());
  }
}

int64_t TSafeFileStream::Read(void*, int64_t) { return 0; }

int64_t TSafeFileStream::Write(const void* buffer, int64_t count) {
  if (count <= 0 || !file_) return 0;
  return static_cast<int64_t>(std::fwrite(buffer, 1, static_cast<size_t>(count), file_));
}

int64_t TSafeFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (!file_) return 0;
  const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                     : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                        : SEEK_END;
  fseeko(file_, offset, whence);
  return ftello(file_);
}

void TSafeFileStream::Commit() {
  if (!file_) return;
  // A full disk may show only when the buffers are flushed or the file closed.
  const bool flushed = std::fflush(file_) == 0;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!flushed || !closed) {
    unlink(tempPath_.c_str());
    throw EWriteError();
  }
  if (std::rename(tempPath_.c_str(), path_.c_str()) != 0) {
    const int err = errno;
    unlink(tempPath_.c_str());
    throw EFCreateError(path_, std::strerror(err));
  }
}

void WriteFileSafely(const std::string& path, const void* bytes, int64_t count) {
  TSafeFileStream out(path);
  out.WriteBuffer(bytes, count);
  out.Commit();
}
