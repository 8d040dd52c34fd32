// What the batch-option tests share: archives built by the maker, written to a
// temporary folder, and quorvin-cli runs on them.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "SdsMaker.h"
#include "TestSupport.h"

namespace batch_test {

inline sdsmaker::Resource Res(const std::string& type, const std::string& source, const std::string& data) {
  sdsmaker::Resource r;
  r.typeName = type;
  r.source = source;
  r.data = sdsmaker::Bytes(data.begin(), data.end());
  return r;
}

inline sdsmaker::Resource Res(const std::string& type, const std::string& source, const sdsmaker::Bytes& data) {
  sdsmaker::Resource r;
  r.typeName = type;
  r.source = source;
  r.data = data;
  return r;
}

// An archive file and an empty output folder inside one temporary folder.
struct BatchArchive {
  testing_support::TempDir dir;
  std::string archive = (dir / "a.sds").string();
  std::filesystem::path out = dir / "out";
  explicit BatchArchive(const std::vector<sdsmaker::Resource>& resources) {
    sdsmaker::Archive a;
    a.resources = resources;
    sdsmaker::WriteBytes(archive, sdsmaker::Build(a).file);
    std::filesystem::create_directory(out);
  }
};

inline testing_support::RunResult Cli(std::vector<std::string> args) {
  args.insert(args.begin(), QUORVIN_CLI);
  return testing_support::RunProgram(args);
}

inline std::string Text(const std::filesystem::path& path) {
  const std::vector<uint8_t> bytes = testing_support::ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// Every file below root (relative path, "/"-separated) with its content; links
// and other non-files show as "<other>".
inline std::map<std::string, std::string> Tree(const std::filesystem::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
    if (e.is_directory() && !e.is_symlink()) continue;
    const std::string relative = std::filesystem::relative(e.path(), root).generic_string();
    files[relative] = e.is_regular_file() && !e.is_symlink() ? Text(e.path()) : "<other>";
  }
  return files;
}

}  // namespace batch_test
