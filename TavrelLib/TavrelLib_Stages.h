// Internal to TavrelLib: the stages of ReadFile and the failure reports they share.
#pragma once

#include <cstdint>
#include <string>

class TIEFile;
class TJustMemoryStream;
class TMemoryStream;

namespace tavrel {

// Line numbers of the reports "<message> (TavrelLib, Zeile <line>)". The first
// three are the established ones; the rest cover malformed archives that would
// otherwise read out of bounds, loop or exhaust memory.
enum ReportLine : int {
  kLineDecompression = 57,
  kLineMissingFile = 88,
  kLineMagic = 99,
  kLineTypeTableCount = 103,
  kLineDescriptorOffset = 108,
  kLineDataOffset = 121,
  kLineChunkLength = 126,
  kLineChunkHeader = 131,
  kLineRecordCount = 146,
  kLineRecordSize = 150,
  kLineSubScriptSize = 171,
  kLineEntryNotRead = 190,
  kLineEntrySize = 192,
};

// Entries address the resource stream with signed 32-bit offsets.
constexpr int64_t kMaxResourceStream = INT32_MAX;

[[noreturn]] void Fail(ReportLine line, const std::string& message);

// Trace line, formatted only when someone listens.
void TraceLine(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Inflates one zlib stream from in[0..count) and appends the bytes to out,
// failing with the decompression report; out may not grow past limit bytes.
void InflateAppend(const uint8_t* in, int64_t count, TMemoryStream& out, int64_t limit);

void ReadDescriptor(TIEFile& file);                               // steps 8 to 10
void ReadChunks(TIEFile& file, TJustMemoryStream& chunkBuffer);  // the data region
void ReadRecords(TIEFile& file);                                 // entry byte ranges

}  // namespace tavrel
