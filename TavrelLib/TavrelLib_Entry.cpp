// What an entry offers: its file name, a copy of its bytes, its size text.
#include <cmath>

#include "Exceptions.h"
#include "Format.h"
#include "TavrelLib.h"
#include "TavrelLib_Stages.h"

using namespace tavrel;

namespace {

// The type word becomes the extension of some names; a hostile one such as
// "/../../x" must not lead an extraction out of its folder.
std::string WithoutFolders(std::string name) {
  for (char& c : name) {
    if (c == '/' || c == '\\') c = '_';
  }
  return name;
}

std::string NameFromSource(const TIEFile_Entry& e) {
  std::string source = e.SourceDataDescription;
  for (char& c : source) {
    if (c == '/') c = '\\';
  }
  const size_t cut = source.find_last_of("\\:");
  const std::string part = cut == std::string::npos ? source : source.substr(cut + 1);
  if (part == "not available") return Format("%.8X.%s", static_cast<uint32_t>(e.start), e.TypeName.c_str());

  const std::string insert = e.TypeName == "Mipmap" ? ".mipmap" : "";
  const size_t dot = part.rfind('.');
  if (dot == std::string::npos) return part + insert + "." + e.TypeName;
  return part.substr(0, dot) + insert + part.substr(dot);
}

}  // namespace

std::string TIEFile_Entry::GetFileName() const { return WithoutFolders(NameFromSource(*this)); }

namespace {

// The resource stream holding the entry's range, once the range is known to be
// valid: reached by a record, not negative, inside the stream. Checked before
// anything is copied, so a range past the end reserves nothing.
TJustMemoryStream& CheckedStream(const TIEFile_Entry& e) {
  if (!e.Parent || !*e.Parent) {
    Fail(kLineEntryNotRead, Format("Entry \"%s\" has no byte range: no resource record reached it",
                                   e.GetFileName().c_str()));
  }
  if (e.size < 0 || e.start < 0) {
    Fail(kLineEntrySize, Format("Entry \"%s\" has an invalid byte range (start %d, size %d)",
                                e.GetFileName().c_str(), e.start, e.size));
  }
  TJustMemoryStream& decomp = (*e.Parent)->decomp;
  if (static_cast<int64_t>(e.start) + e.size > decomp.Size()) {
    decomp.Seek(0, TSeekOrigin::soEnd);
    throw EReadError();
  }
  return decomp;
}

}  // namespace

std::unique_ptr<TMemoryStream> TIEFile_Entry::AsStream() const {
  TJustMemoryStream& decomp = CheckedStream(*this);
  auto copy = std::make_unique<TMemoryStream>();
  decomp.SetPosition(start);
  copy->CopyFrom(decomp, size);
  copy->SetPosition(0);
  return copy;
}

std::string SizeText(int64_t size) {
  // The default rounding mode rounds halves to even; the quotient is exact in a double.
  const long long kilobytes = std::llrint(static_cast<double>(size) / 1024.0);
  return std::to_string(kilobytes) + " kb";
}

// The same bytes AsStream would hand out, written straight from the resource
// stream: no second copy of a large entry.
void SaveEntryToFile(const TIEFile_Entry& entry, const std::string& path) {
  TJustMemoryStream& decomp = CheckedStream(entry);
  WriteFileSafely(path, decomp.Memory() + entry.start, entry.size);
  decomp.SetPosition(static_cast<int64_t>(entry.start) + entry.size);
}
