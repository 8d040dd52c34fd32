// What the archive commands (list, extract) share: their options, opening the
// archive with the trace channel on request, and choosing the entries to act on.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "ConflictPolicy.h"
#include "EntryFilter.h"
#include "TavrelLib.h"

struct ArchiveOptions {
  bool json = false;
  bool keepheader = false;
  bool trace = false;
  bool progress = false;
  bool keepPaths = false;
  bool keepGoing = false;
  EntryFilter filter;                            // --type, --name
  std::string convert;                           // --convert EXT, checked; "" writes textures as they are
  OnConflict onConflict = OnConflict::Overwrite;  // --on-conflict
  std::vector<std::string> positional;           // ARCHIVE, then the command's own operands
};

// Option words a command accepts (besides --keepheader/-keepheader in any case,
// which every archive command takes). Filter stands for --type and --name.
// Options with a value take it as the next word or after "=" ("--type=Texture").
// "--" ends the options.
enum class ArchiveOption { Json, Trace, Progress, Filter, KeepPaths, Convert, OnConflict, KeepGoing };

// Throws UsageError for an option the command does not take, a missing or wrong
// option value, or a wrong operand count.
ArchiveOptions ParseArchiveOptions(const Args& args, const std::vector<ArchiveOption>& accepted, size_t minOperands,
                                   size_t maxOperands);

// Creates the archive object in slot (its `me` pointing there) and reads it;
// with --trace the reader's lines go to standard error.
void OpenArchive(std::unique_ptr<TIEFile>& slot, const std::string& path, const ArchiveOptions& options);

// The entries to act on, in order: all of them, or the 0-based indexes given
// (in the order given), less those the filter drops. A word that is not an index
// is a usage error; an index the archive does not have is a failure.
std::vector<size_t> SelectEntries(const TIEFile& archive, const std::vector<std::string>& indexes,
                                  const EntryFilter& filter);
