// `--on-conflict`: what extract does when the file it is about to write exists.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

enum class OnConflict {
  Overwrite,  // replace the existing file (the desktop program's way)
  Rename,     // write "name (2).ext", "name (3).ext", ... instead
  Skip,       // leave the existing file, count the entry as skipped
};

// The policy named by an --on-conflict word; UsageError for any other word.
OnConflict ParseOnConflict(const std::string& word);

class ConflictResolver {
public:
  explicit ConflictResolver(OnConflict policy) : policy_(policy) {}

  // The path to write for path, or nothing when the entry is to be skipped.
  // Anything already at path counts (a file, a link, a FIFO), except a folder:
  // no policy puts a file in place of a folder, so the path is handed back and
  // the write fails.
  std::optional<std::string> Resolve(const std::string& path);

private:
  OnConflict policy_;
  // The next number to try per renamed path: many entries of one name must not
  // probe "(2)", "(3)", ... afresh each time.
  std::map<std::string, uint64_t> nextNumber_;
};
