#include "ArchiveTestSupport.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "Exceptions.h"
#include "Trace.h"

namespace archive_test {

std::unique_ptr<Opened> OpenPath(const std::string& path, bool keepheader) {
  auto opened = std::make_unique<Opened>();
  opened->sds = std::make_unique<TIEFile>();
  opened->sds->me = &opened->sds;
  opened->sds->keepheader = keepheader;
  std::vector<std::string>* lines = &opened->trace;
  SetTraceSink([lines](const std::string& line) { lines->push_back(line); });
  try {
    opened->sds->ReadFile(path);
  } catch (const std::exception& e) {
    opened->error = e.what();
    if (opened->error.empty()) opened->error = "(empty message)";
  }
  SetTraceSink(nullptr);
  return opened;
}

namespace {

// One scratch file for the whole run, in memory where the system offers it:
// the sweeps open thousands of archives.
const std::string& ScratchArchivePath() {
  static const std::string path = [] {
    std::string pattern = std::filesystem::is_directory("/dev/shm") ? "/dev/shm/quorvin-test-XXXXXX"
                                                                     : "/tmp/quorvin-test-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) throw std::runtime_error("mkstemp failed");
    close(fd);
    static struct Remove {
      std::string path;
      ~Remove() { unlink(path.c_str()); }
    } remove{pattern};
    return pattern;
  }();
  return path;
}

}  // namespace

std::unique_ptr<Opened> OpenBytes(const sdsmaker::Bytes& bytes, bool keepheader) {
  sdsmaker::WriteBytes(ScratchArchivePath(), bytes);
  return OpenPath(ScratchArchivePath(), keepheader);
}

sdsmaker::Resource Res(const std::string& type, const std::string& source, const sdsmaker::Bytes& data,
                       const std::string& headerName) {
  sdsmaker::Resource r;
  r.typeName = type;
  r.source = source;
  r.data = data;
  r.headerName = headerName;
  return r;
}

sdsmaker::Bytes Text(const std::string& text) { return sdsmaker::Bytes(text.begin(), text.end()); }

sdsmaker::Bytes StreamBytes(const TIEFile_Entry& entry) {
  const auto stream = entry.AsStream();
  return sdsmaker::Bytes(stream->Memory(), stream->Memory() + stream->Size());
}

std::string Report(const std::string& message, int line) {
  return EAssertionFailed(message, "TavrelLib", line).what();
}

}  // namespace archive_test
