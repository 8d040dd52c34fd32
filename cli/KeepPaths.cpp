#include "KeepPaths.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "Exceptions.h"

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\' || c == ':'; }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

[[noreturn]] void FailFolder(const std::string& path, int reason) {
  throw Exception("Folder \"" + path + "\" cannot be created. " + std::strerror(reason));
}

// Makes path unless it is a real folder already (no link followed).
void MakeOneFolder(const std::string& path) {
  // The system would cut the name at U+0000 and make some other folder.
  if (path.find('\0') != std::string::npos) FailFolder(path, EINVAL);
  struct stat st {};
  if (lstat(path.c_str(), &st) == 0) {
    if (!S_ISDIR(st.st_mode)) FailFolder(path, S_ISLNK(st.st_mode) ? ELOOP : ENOTDIR);
    return;
  }
  if (errno != ENOENT) FailFolder(path, errno);
  if (mkdir(path.c_str(), 0777) != 0) {
    const int reason = errno;
    // Made meanwhile by someone else: fine if it is a real folder.
    if (reason == EEXIST && lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return;
    FailFolder(path, reason);
  }
}

}  // namespace

std::vector<std::string> SourceFolders(const std::string& source) {
  size_t end = 0;
  for (size_t i = 0; i < source.size(); ++i) {
    if (IsSeparator(source[i])) end = i + 1;
  }
  std::vector<std::string> folders;
  size_t start = 0;
  for (size_t i = 0; i < end; ++i) {
    if (!IsSeparator(source[i])) continue;
    const std::string part = source.substr(start, i - start);
    const bool driveLetter = source[i] == ':' && part.size() == 1 && IsAsciiLetter(part[0]);
    if (!driveLetter && !part.empty() && part != "." && part != "..") folders.push_back(part);
    start = i + 1;
  }
  return folders;
}

std::string MakeFolders(const std::string& root, const std::vector<std::string>& folders) {
  std::string path = root;
  for (const std::string& folder : folders) {
    path = JoinPath(path, folder);
    MakeOneFolder(path);
  }
  return path;
}

std::string JoinPath(const std::string& root, const std::string& name) {
  const bool hasSlash = !root.empty() && root.back() == '/';
  return root + (hasSlash ? "" : "/") + name;
}
