// Helpers every test suite shares: temporary folders, files, running programs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// A fresh folder under /tmp, removed with everything in it at the end of scope.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
  std::filesystem::path path_;
};

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

struct RunResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};
// Runs argv[0] with the arguments (no shell), capturing both output channels.
RunResult RunProgram(const std::vector<std::string>& argv);

// Folder of the shared sample files (../shared/corpus beside the checkout).
std::filesystem::path CorpusDir();

}  // namespace testing_support
