#include "FileSystem.h"

#include <sys/stat.h>

bool FileExists(const std::string& path) {
  struct stat st {};
  if (path.find('\0') != std::string::npos) return false;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  if (path.find('\0') != std::string::npos) return false;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
