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

  // The listed and extracted file name, without any folder. Never holds "/" or
  // "\"; it may still be empty, "." or "..", which the file writer refuses.
  std::string GetFileName() const;
  // A new stream holding a copy of the entry's bytes, positioned at 0. Throws
  // EReadError when the range runs past the end of the resource stream, and an
  // assertion failure for an entry no record reached or with a negative size.
  std::unique_ptr<TMemoryStream> AsStream() const;
};

class TIEFile {
public:
  std::unique_ptr<TJustFileStream> data;  // open only while ReadFile runs
  PIEFile me = nullptr;
  TJustMemoryStream decomp;  // the resource stream, at most 2^31 - 1 bytes
  TMemoryStream xmlstr;
  TIEFile_Header header{};
  bool keepheader = false;
  std::string filen;
  std::vector<TIEFile_Entry> files;
  std::vector<TIEFile_Flag> flags;

  // Parses the whole archive; throws on failure, leaving the object as far as it
  // got (the file is closed either way). Set me and keepheader first.
  void ReadFile(const std::string& filename);
};

// Replaces the buffer's content (one zlib stream) with the inflated bytes.
void InflateChunk(TJustMemoryStream& buffer);

// The size column's text: size / 1024 rounded to the nearest whole number (an
// exact half to the even neighbour), then " kb". 1536 gives "2 kb", 2560 "2 kb".
std::string SizeText(int64_t size);

// Writes the entry's bytes (those AsStream copies) to path, through a temporary
// file in the same folder renamed into place, so a failed write leaves any
// earlier file of that name as it was. An empty entry makes an empty file.
void SaveEntryToFile(const TIEFile_Entry& entry, const std::string& path);
