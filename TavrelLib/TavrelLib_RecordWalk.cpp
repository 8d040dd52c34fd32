// The record stage: walks the resource records, reads or keeps each type header,
// gives every entry its byte range and appends the sub-scripts of Script records.
#include <string_view>

#include "Format.h"
#include "TavrelLib.h"
#include "TavrelLib_Stages.h"
#include "Trace.h"

namespace tavrel {

namespace {

constexpr int kRecordHeadSize = 10;

// Reads the sub-scripts that follow a Script record's type header; each becomes
// an entry of its own after the descriptor's entries.
void ReadScriptRecord(TIEFile& f, int32_t record) {
  TJustMemoryStream& s = f.decomp;
  const TIEResType_Script script = ReadScriptHeader(s);
  TraceLine("Reading %d scripts", script.NumberOfFiles);
  for (int c = 0; c < script.NumberOfFiles; ++c) {
    TraceLine("Reading SubScript at %lld", static_cast<long long>(s.Position()));
    const TIEResType_Script_Entry head = ReadScriptEntry(s);
    const int64_t at = s.Position();
    TraceLine("Header end at %lld", static_cast<long long>(at));
    // A sub-script must lie inside the resource stream: a negative size would
    // point backwards, a huge one past what a 32-bit start can address.
    if (head.filesize < 0) {
      Fail(kLineSubScriptSize, Format("Sub-script %d of resource record %d has a negative size (%d)", c, record,
                                      head.filesize));
    }
    if (at + head.filesize > s.Size()) {
      Fail(kLineSubScriptSize,
           Format("Sub-script %d of resource record %d runs past the end of the resource stream (%d bytes at %lld)",
                  c, record, head.filesize, static_cast<long long>(at)));
    }
    TIEFile_Entry entry;
    entry.Parent = f.me;
    entry.TypeName = "SubScript";
    entry.SourceDataDescription = head.filename;
    entry.start = static_cast<int32_t>(at);
    entry.size = head.filesize;
    f.files.push_back(std::move(entry));
    TraceLine("Seeking %d bytes", head.filesize);
    s.SetPosition(at + head.filesize);
  }
}

using HeaderReader = void (*)(TIEFile& f, int32_t record);

// Type words are compared exactly; any other word has no type header.
constexpr struct {
  std::string_view typeName;
  HeaderReader read;
} kTypeHeaders[] = {
    {"Texture", [](TIEFile& f, int32_t) { SkipRawHeader(f.decomp, kTextureHeaderSize); }},
    {"Mipmap", [](TIEFile& f, int32_t) { SkipRawHeader(f.decomp, kMipmapHeaderSize); }},
    {"VertexBufferPool", [](TIEFile& f, int32_t) { SkipRawHeader(f.decomp, kVertexBufferPoolHeaderSize); }},
    {"Sound", [](TIEFile& f, int32_t) { ReadSoundHeader(f.decomp); }},
    {"MemFile", [](TIEFile& f, int32_t) { ReadMemFileHeader(f.decomp); }},
    {"Script", ReadScriptRecord},
};

HeaderReader FindHeaderReader(std::string_view typeName) {
  for (const auto& row : kTypeHeaders) {
    if (row.typeName == typeName) return row.read;
  }
  return nullptr;
}

}  // namespace

void ReadRecords(TIEFile& f) {
  TJustMemoryStream& s = f.decomp;
  // The k-th record belongs to the k-th descriptor entry; more records than
  // that have no entry to fill.
  const size_t described = f.files.size();
  for (int32_t k = 0; k < f.header.res_count; ++k) {
    if (static_cast<size_t>(k) >= described) {
      Fail(kLineRecordCount, Format("Resource record %d has no entry in the resource descriptor (%zu entries)",
                                    k, described));
    }
    const int64_t recordAt = s.Position();
    s.ReadInteger();
    const int32_t recordSize = s.ReadInteger();
    s.ReadSmallInteger();
    // Below 10 the next record would start inside or before this one.
    if (recordSize < kRecordHeadSize) {
      Fail(kLineRecordSize, Format("Resource record %d at %lld has a size of %d, less than its %d-byte head", k,
                                   static_cast<long long>(recordAt), recordSize, kRecordHeadSize));
    }
    const int64_t body = recordSize - kRecordHeadSize;
    const int64_t p = s.Position();
    // The type word may be long or hold U+0000: joined, not formatted.
    if (TraceEnabled()) Trace("Reading File of type " + f.files[k].TypeName + " at " + std::to_string(p));
    if (!f.keepheader) {
      if (const HeaderReader read = FindHeaderReader(f.files[k].TypeName)) read(f, k);
    }
    const int64_t headerBytes = s.Position() - p;
    TIEFile_Entry& entry = f.files[k];  // only now: the Script reader may have grown files
    entry.start = static_cast<int32_t>(p + headerBytes);
    entry.size = static_cast<int32_t>(body - headerBytes);
    entry.Parent = f.me;
    s.SetPosition(p + body);
  }
}

}  // namespace tavrel
