// ReadFile's outline and its first stages: file test, header, type table and the
// descriptor bytes. The later stages live in one file each.
#include "TavrelLib.h"

#include <cstdarg>
#include <cstdio>

#include "Exceptions.h"
#include "FileSystem.h"
#include "Format.h"
#include "TavrelLib_Stages.h"
#include "Trace.h"

namespace tavrel {

void Fail(ReportLine line, const std::string& message) {
  throw EAssertionFailed(message, "TavrelLib", line);
}

void TraceLine(const char* fmt, ...) {
  if (!TraceEnabled()) return;
  char line[512];  // numbers and fixed words only: long texts are joined by the caller
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(line, sizeof line, fmt, args);
  va_end(args);
  Trace(line);
}

}  // namespace tavrel

using namespace tavrel;

namespace {

void ReadHeader(TIEFile& f) {
  // A plain read: a short file leaves the fields it does not reach at zero.
  uint8_t raw[kHeaderSize] = {};
  f.data->Read(raw, kHeaderSize);
  f.header = DecodeHeader(raw);
  if (f.header.magic != kSdsMagic) {
    Fail(kLineMagic, Format("Magic number does not match (expected: $53445300, got: $%.8X) ",
                            static_cast<uint32_t>(f.header.magic)));
  }
}

// The rows follow the header directly; flags_offset is not consulted. Rows are
// appended as they are read, so a huge count costs only what the file holds.
void ReadTypeTable(TIEFile& f) {
  const int32_t count = f.header.num_flags;
  if (count < 0) Fail(kLineTypeTableCount, Format("Type table row count is negative (%d)", count));
  f.flags.clear();
  f.data->SetPosition(kHeaderSize);
  for (int32_t i = 0; i < count; ++i) f.flags.push_back(ReadFlag(*f.data));
}

// The descriptor runs from xml_data_offset to the end of the file.
void ReadDescriptorBytes(TIEFile& f) {
  const int64_t fileSize = f.data->Size();
  const int64_t offset = f.header.xml_data_offset;
  if (offset < 0 || offset > fileSize) {
    Fail(kLineDescriptorOffset,
         Format("Resource descriptor offset %lld lies outside the file (%lld bytes)",
                static_cast<long long>(offset), static_cast<long long>(fileSize)));
  }
  f.xmlstr.Clear();
  f.data->SetPosition(offset);
  f.xmlstr.CopyFrom(*f.data, fileSize - offset);
  f.xmlstr.SetPosition(0);
}

}  // namespace

void TIEFile::ReadFile(const std::string& filename) {
  filen = filename;
  if (!FileExists(filename)) Fail(kLineMissingFile, "File \"" + filename + "\" does not exist.");

  data = std::make_unique<TJustFileStream>(filename);
  decomp.Clear();
  TJustMemoryStream chunkBuffer;
  // Closes the archive file on the way out, failures included; the chunk
  // buffer goes with the scope.
  struct CloseOnExit {
    std::unique_ptr<TJustFileStream>& file;
    ~CloseOnExit() { file.reset(); }
  } closeOnExit{data};

  ReadHeader(*this);
  ReadTypeTable(*this);
  ReadDescriptorBytes(*this);
  ReadDescriptor(*this);
  ReadChunks(*this, chunkBuffer);
  ReadRecords(*this);
}
