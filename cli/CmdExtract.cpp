// quorvin-cli extract: writes entries into a folder exactly as the desktop
// program's "Extract All" does: same names, same bytes, later entries of the same
// name replacing earlier ones, no subfolders.
#include <string>

#include "ArchiveCommand.h"
#include "CliSupport.h"
#include "Commands.h"
#include "Exceptions.h"
#include "FileSystem.h"
#include "Progress.h"

namespace {

// The entry's file in the output folder. GetFileName never holds a "/", and the
// file writer refuses "", "." and "..", so nothing lands outside the folder.
std::string TargetPath(const std::string& folder, const TIEFile_Entry& entry) {
  const bool hasSlash = !folder.empty() && folder.back() == '/';
  return folder + (hasSlash ? "" : "/") + entry.GetFileName();
}

}  // namespace

int RunExtract(const Args& args) {
  const ArchiveOptions options =
      ParseArchiveOptions(args, {ArchiveOption::Trace, ArchiveOption::Progress}, 2, SIZE_MAX);
  const std::string& path = options.positional[0];
  const std::string& folder = options.positional[1];
  if (!DirectoryExists(folder)) throw Exception("Folder \"" + folder + "\" does not exist.");

  std::unique_ptr<TIEFile> archive;
  OpenArchive(archive, path, options);
  const std::vector<size_t> selected =
      SelectEntries(*archive, std::vector<std::string>(options.positional.begin() + 2, options.positional.end()));

  int64_t totalBytes = 0;
  for (size_t i : selected) totalBytes += std::max<int32_t>(archive->files[i].size, 0);
  ProgressBar progress(options.progress, totalBytes, selected.size());
  for (size_t i : selected) {
    const TIEFile_Entry& entry = archive->files[i];
    SaveEntryToFile(entry, TargetPath(folder, entry));
    progress.EntryDone(entry.size);
  }
  return 0;
}
