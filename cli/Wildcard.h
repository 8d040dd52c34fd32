// The wildcard patterns of `--name`.
#pragma once

#include <string>

// Whether name matches pattern as a whole: "*" stands for any run of characters,
// "?" for exactly one character, every other character for itself in either
// letter case. Both are UTF-8; a byte that starts no valid sequence counts as
// one character of its own.
bool MatchesWildcard(const std::string& pattern, const std::string& name);
