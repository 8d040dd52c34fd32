// quorvin-cli extract: writes entries into a folder. With no batch option it does
// exactly what the desktop program's "Extract All" does: same names, same bytes,
// later entries of the same name replacing earlier ones, no subfolders, the
// first failure ending the run.
#include <algorithm>
#include <cstdio>
#include <string>

#include "ArchiveCommand.h"
#include "CliSupport.h"
#include "Commands.h"
#include "ConvertOutput.h"
#include "Exceptions.h"
#include "FileSystem.h"
#include "KeepPaths.h"
#include "Progress.h"

namespace {

enum class EntryOutcome { Written, Skipped };

struct Tally {
  size_t written = 0, skipped = 0, failed = 0;
};

// Writes one entry as the options ask. GetFileName never holds a "/", and the
// file writer refuses "", "." and "..", so the file lands in its folder.
EntryOutcome ExtractEntry(const TIEFile_Entry& entry, const ArchiveOptions& options, ConflictResolver& conflicts) {
  const std::string& root = options.positional[1];
  const bool convert = !options.convert.empty() && IsTextureEntry(entry);
  const std::string name = convert ? WithExtension(entry.GetFileName(), options.convert) : entry.GetFileName();
  const std::string folder =
      options.keepPaths ? MakeFolders(root, SourceFolders(entry.SourceDataDescription)) : root;
  const std::optional<std::string> target = conflicts.Resolve(JoinPath(folder, name));
  if (!target) return EntryOutcome::Skipped;
  if (convert) {
    ConvertEntryToFile(entry, *target);
  } else {
    SaveEntryToFile(entry, *target);
  }
  return EntryOutcome::Written;
}

// Runs through the entries; a failure ends the run unless --keep-going, which
// reports it (naming the entry) and goes on.
Tally ExtractEntries(const TIEFile& archive, const std::vector<size_t>& selected, const ArchiveOptions& options) {
  int64_t totalBytes = 0;
  for (size_t i : selected) totalBytes += std::max<int32_t>(archive.files[i].size, 0);
  ProgressBar progress(options.progress, totalBytes, selected.size());
  ConflictResolver conflicts(options.onConflict);
  Tally tally;
  for (size_t i : selected) {
    const TIEFile_Entry& entry = archive.files[i];
    try {
      const EntryOutcome outcome = ExtractEntry(entry, options, conflicts);
      ++(outcome == EntryOutcome::Written ? tally.written : tally.skipped);
    } catch (const std::exception&) {
      if (!options.keepGoing) throw;
      ++tally.failed;
      progress.Print("error: entry " + std::to_string(i) + " (" + entry.GetFileName() +
                     "): " + CurrentExceptionText());
    }
    progress.EntryDone(entry.size);
  }
  return tally;
}

}  // namespace

int RunExtract(const Args& args) {
  const ArchiveOptions options = ParseArchiveOptions(
      args,
      {ArchiveOption::Trace, ArchiveOption::Progress, ArchiveOption::Filter, ArchiveOption::KeepPaths,
       ArchiveOption::Convert, ArchiveOption::OnConflict, ArchiveOption::KeepGoing},
      2, SIZE_MAX);
  const std::string& path = options.positional[0];
  const std::string& folder = options.positional[1];
  if (!DirectoryExists(folder)) throw Exception("Folder \"" + folder + "\" does not exist.");

  std::unique_ptr<TIEFile> archive;
  OpenArchive(archive, path, options);
  const std::vector<size_t> selected = SelectEntries(
      *archive, std::vector<std::string>(options.positional.begin() + 2, options.positional.end()), options.filter);
  const Tally tally = ExtractEntries(*archive, selected, options);
  if (!options.keepGoing) return 0;
  std::fprintf(stderr, "%zu written, %zu skipped, %zu failed\n", tally.written, tally.skipped, tally.failed);
  return tally.failed > 0 ? 1 : 0;
}
