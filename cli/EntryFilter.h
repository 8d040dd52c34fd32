// The entry selection of `--type` and `--name`, shared by list and extract.
#pragma once

#include <string>
#include <vector>

#include "TavrelLib.h"

struct EntryFilter {
  std::vector<std::string> types;  // exact type words (case-sensitive); none: every type
  std::vector<std::string> names;  // wildcard patterns on the listed name; none: every name

  // True when the entry has one of the types and its name matches one of the patterns.
  bool Keeps(const TIEFile_Entry& entry) const;
};
