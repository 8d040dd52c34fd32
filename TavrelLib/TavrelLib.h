// The archive object: one opened SDS archive, its resource stream and its entries.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FileStream.h"
#include "TavrelLib_Records.h"

class TIEFile;

// Refers to the place where the owner keeps its archive object; entries reach
// their archive through it.
using PIEFile = std::unique_ptr<TIEFile>*;

class TIEFile_Entry {
public:
  PIEFile Parent = nullptr;
  std::string TypeName;               // UTF-8
  std::string SourceDataDescription;  // UTF-8
  int32_t start = 0;
  int32_t size = 0;

  // The listed and extracted file name, without any folder.
  std::string GetFileName() const;
  // A new stream holding a copy of the entry's bytes, positioned at 0.
  std::unique_ptr<TMemoryStream> AsStream() const;
};

class TIEFile {
public:
  std::unique_ptr<TJustFileStream> data;
  PIEFile me = nullptr;
  TJustMemoryStream decomp;
  TMemoryStream xmlstr;
  TIEFile_Header header{};
  bool keepheader = false;
  std::string filen;
  std::vector<TIEFile_Entry> files;
  std::vector<TIEFile_Flag> flags;

  // Parses the whole archive; throws on failure, leaving the object as far as it got.
  void ReadFile(const std::string& filename);
};

// Replaces the buffer's content (one zlib stream) with the inflated bytes.
void InflateChunk(TJustMemoryStream& buffer);
