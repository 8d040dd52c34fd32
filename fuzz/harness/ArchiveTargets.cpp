// Archive reading from bytes: the whole of ReadFile, then every entry's name and
// bytes; and the resource descriptor parser on its own.
#include <sys/mman.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "Exceptions.h"
#include "FuzzTargets.h"
#include "TavrelLib.h"
#include "TavrelLib_Stages.h"

namespace fuzzing {

namespace {

// ReadFile takes a path: one in-memory file per process, rewritten per input and
// reached through /proc, so no input ever touches the disk.
class MemoryFile {
public:
  MemoryFile() : fd_(memfd_create("quorvin-fuzz", MFD_CLOEXEC)) {
    FUZZ_CHECK(fd_ >= 0);
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  ~MemoryFile() { close(fd_); }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  const std::string& Fill(const uint8_t* data, size_t size) {
    FUZZ_CHECK(ftruncate(fd_, 0) == 0);
    size_t done = 0;
    while (done < size) {
      const ssize_t n = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
      FUZZ_CHECK(n > 0);
      done += static_cast<size_t>(n);
    }
    return path_;
  }

private:
  int fd_;
  std::string path_;
};

// What the list and the extraction do with every entry, whatever state a failed
// open left it in.
void VisitEntries(const TIEFile& file) {
  for (const TIEFile_Entry& entry : file.files) {
    const std::string name = entry.GetFileName();
    FUZZ_CHECK(name.find_first_of("/\\") == std::string::npos);
    try {
      const std::unique_ptr<TMemoryStream> bytes = entry.AsStream();
      FUZZ_CHECK(bytes->Size() == entry.size && bytes->Position() == 0);
    } catch (const Exception&) {
    }
  }
}

}  // namespace

void FuzzArchive(const uint8_t* data, size_t size) {
  static MemoryFile memoryFile;
  const std::string& path = memoryFile.Fill(data, size);
  std::unique_ptr<TIEFile> archive = std::make_unique<TIEFile>();
  archive->me = &archive;
  // The version word is never read: its lowest bit picks keepheader, so both
  // ways of cutting records are fuzzed from the same inputs.
  archive->keepheader = size > 4 && (data[4] & 1);
  try {
    archive->ReadFile(path);
  } catch (const Exception&) {
  }
  FUZZ_CHECK(!archive->data);  // closed either way
  VisitEntries(*archive);
}

void FuzzDescriptor(const uint8_t* data, size_t size) {
  TIEFile file;
  file.xmlstr.WriteBuffer(data, static_cast<int64_t>(size));
  file.xmlstr.SetPosition(0);
  try {
    tavrel::ReadDescriptor(file);
  } catch (const Exception&) {
    FUZZ_CHECK(file.files.empty());
  }
  for (const TIEFile_Entry& entry : file.files) entry.GetFileName();
}

}  // namespace fuzzing
