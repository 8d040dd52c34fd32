// What an entry offers: its file name, a copy of its bytes, its size text.
#include <cmath>

#include "Exceptions.h"
#include "Format.h"
#include "TavrelLib.h"
#include "TavrelLib_Stages.h"

using namespace tavrel;

std::string TIEFile_Entry::GetFileName() const {
  std::string source = SourceDataDescription;
  for (char& c : source) {
    if (c == '/') c = '\\';
  }
  const size_t cut = source.find_last_of("\\:");
  const std::string part = cut == std::string::npos ? source : source.substr(cut + 1);
  if (part == "not available") return Format("%.8X.%s", static_cast<uint32_t>(start), TypeName.c_str());

  const std::string insert = TypeName == "Mipmap" ? ".mipmap" : "";
  const size_t dot = part.rfind('.');
  if (dot == std::string::npos) return part + insert + "." + TypeName;
  return part.substr(0, dot) + insert + part.substr(dot);
}

std::unique_ptr<TMemoryStream> TIEFile_Entry::AsStream() const {
  if (!Parent || !*Parent) {
    Fail(kLineEntryNotRead, Format("Entry \"%s\" has no byte range: no resource record reached it",
                                   GetFileName().c_str()));
  }
  if (size < 0 || start < 0) {
    Fail(kLineEntrySize, Format("Entry \"%s\" has an invalid byte range (start %d, size %d)",
                                GetFileName().c_str(), start, size));
  }
  TJustMemoryStream& decomp = (*Parent)->decomp;
  // Checked before copying, so a range past the end reserves nothing.
  if (static_cast<int64_t>(start) + size > decomp.Size()) {
    decomp.Seek(0, TSeekOrigin::soEnd);
    throw EReadError();
  }
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

void SaveEntryToFile(const TIEFile_Entry& entry, const std::string& path) {
  const std::unique_ptr<TMemoryStream> copy = entry.AsStream();
  WriteFileSafely(path, copy->Memory(), copy->Size());
}
