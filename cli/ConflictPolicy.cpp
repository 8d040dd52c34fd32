#include "ConflictPolicy.h"

#include <sys/stat.h>

#include "CliSupport.h"
#include "Exceptions.h"

namespace {

struct PolicyWord {
  const char* word;
  OnConflict policy;
};

constexpr PolicyWord kPolicyWords[] = {
    {"overwrite", OnConflict::Overwrite},
    {"rename", OnConflict::Rename},
    {"skip", OnConflict::Skip},
};

enum class Occupant { None, Folder, Other };

// What is at path, without following a final link. A path the system cannot
// even look at (too long, holding U+0000) counts as free: the write that follows
// reports why it fails.
Occupant OccupantOf(const std::string& path) {
  struct stat st {};
  if (path.find('\0') != std::string::npos || lstat(path.c_str(), &st) != 0) return Occupant::None;
  return S_ISDIR(st.st_mode) ? Occupant::Folder : Occupant::Other;
}

// "folder/name (n).ext": the number goes before the last dot of the file name,
// unless that dot starts the name (".profile" becomes ".profile (2)").
std::string Numbered(const std::string& path, uint64_t n) {
  const size_t slash = path.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot <= nameStart) dot = path.size();
  return path.substr(0, dot) + " (" + std::to_string(n) + ")" + path.substr(dot);
}

}  // namespace

OnConflict ParseOnConflict(const std::string& word) {
  for (const PolicyWord& p : kPolicyWords) {
    if (word == p.word) return p.policy;
  }
  throw UsageError("--on-conflict takes overwrite, rename or skip, not '" + word + "'");
}

std::optional<std::string> ConflictResolver::Resolve(const std::string& path) {
  if (policy_ == OnConflict::Overwrite || OccupantOf(path) != Occupant::Other) return path;
  if (policy_ == OnConflict::Skip) return std::nullopt;
  uint64_t& n = nextNumber_.try_emplace(path, 2).first->second;
  for (;; ++n) {
    std::string candidate = Numbered(path, n);
    if (OccupantOf(candidate) == Occupant::None) {
      ++n;
      return candidate;
    }
  }
}
