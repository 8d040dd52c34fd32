// Opens maker-built archives the way the front ends do and records the outcome.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "SdsMaker.h"
#include "TavrelLib.h"
#include "TestSupport.h"

namespace archive_test {

struct Opened {
  std::unique_ptr<TIEFile> sds;  // owner's slot; entries' Parent points here
  std::string error;             // empty when ReadFile succeeded
  std::vector<std::string> trace;
  bool ok() const { return error.empty(); }
};

// Writes the bytes to a temporary file and reads it with ReadFile.
std::unique_ptr<Opened> OpenBytes(const sdsmaker::Bytes& bytes, bool keepheader = false);
std::unique_ptr<Opened> OpenPath(const std::string& path, bool keepheader = false);

// Shorthands for the common resources.
sdsmaker::Resource Res(const std::string& type, const std::string& source, const sdsmaker::Bytes& data,
                       const std::string& headerName = "");
sdsmaker::Bytes Text(const std::string& text);

// The entry's bytes through AsStream.
sdsmaker::Bytes StreamBytes(const TIEFile_Entry& entry);

// The report format of archive reading.
std::string Report(const std::string& message, int line);

}  // namespace archive_test
