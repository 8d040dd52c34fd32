// quorvin-cli list: one line (or one JSON object) per entry, in entry order;
// --type and --name leave some out, the indexes stay the archive's own.
#include <iostream>
#include <string>

#include "ArchiveCommand.h"
#include "CliSupport.h"
#include "Commands.h"
#include "Exceptions.h"

namespace {

void PrintText(const TIEFile& archive, const std::vector<size_t>& selected) {
  for (size_t i : selected) {
    const TIEFile_Entry& e = archive.files[i];
    std::cout << i << '\t' << e.GetFileName() << '\t' << SizeText(e.size) << '\t' << e.TypeName << '\n';
  }
}

void PrintJson(const std::string& path, const TIEFile& archive, const std::vector<size_t>& selected) {
  std::cout << "{\"archive\": " << JsonString(path) << ", \"keepheader\": " << (archive.keepheader ? "true" : "false")
            << ", \"entries\": [";
  const char* separator = "\n";
  for (size_t i : selected) {
    const TIEFile_Entry& e = archive.files[i];
    std::cout << separator << "  {\"index\": " << i << ", \"name\": " << JsonString(e.GetFileName())
              << ", \"type\": " << JsonString(e.TypeName) << ", \"source\": " << JsonString(e.SourceDataDescription)
              << ", \"start\": " << e.start << ", \"size\": " << e.size
              << ", \"size_text\": " << JsonString(SizeText(e.size)) << "}";
    separator = ",\n";
  }
  std::cout << (selected.empty() ? "]}\n" : "\n]}\n");
}

}  // namespace

int RunList(const Args& args) {
  const ArchiveOptions options =
      ParseArchiveOptions(args, {ArchiveOption::Json, ArchiveOption::Trace, ArchiveOption::Filter}, 1, 1);
  const std::string& path = options.positional[0];
  std::unique_ptr<TIEFile> archive;
  OpenArchive(archive, path, options);
  const std::vector<size_t> selected = SelectEntries(*archive, {}, options.filter);
  if (options.json) {
    PrintJson(path, *archive, selected);
  } else {
    PrintText(*archive, selected);
  }
  std::cout.flush();
  if (!std::cout) throw EWriteError();
  return 0;
}
