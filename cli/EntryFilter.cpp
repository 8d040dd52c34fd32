#include "EntryFilter.h"

#include <algorithm>

#include "Wildcard.h"

bool EntryFilter::Keeps(const TIEFile_Entry& entry) const {
  if (!types.empty() && std::find(types.begin(), types.end(), entry.TypeName) == types.end()) return false;
  if (names.empty()) return true;
  const std::string name = entry.GetFileName();
  return std::any_of(names.begin(), names.end(),
                     [&name](const std::string& pattern) { return MatchesWildcard(pattern, name); });
}
