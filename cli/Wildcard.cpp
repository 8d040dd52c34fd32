#include "Wildcard.h"

#include <cstdint>
#include <vector>

namespace {

// Upper-case letters beyond Latin-1 that the archives' single-byte code page can
// produce, with their lower-case partners.
struct CasePair {
  char32_t upper, lower;
};
constexpr CasePair kExtraCasePairs[] = {
    {0x0152, 0x0153},  // OE ligature
    {0x0160, 0x0161},  // S with caron
    {0x0178, 0x00FF},  // Y with diaeresis
    {0x017D, 0x017E},  // Z with caron
};

// Lower case for every cased letter an archive name can hold; other characters as they are.
char32_t Folded(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + ('a' - 'A');
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;  // Latin-1 letters, not the multiplication sign
  for (const CasePair& pair : kExtraCasePairs) {
    if (c == pair.upper) return pair.lower;
  }
  return c;
}

// The length of the UTF-8 sequence starting at text[i], or 1 for a stray byte.
size_t SequenceLength(const std::string& text, size_t i) {
  const auto lead = static_cast<uint8_t>(text[i]);
  const size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead < 0xE0 ? 2 : 1;
  if (length == 1 || i + length > text.size()) return 1;
  for (size_t k = 1; k < length; ++k) {
    if ((static_cast<uint8_t>(text[i + k]) & 0xC0) != 0x80) return 1;
  }
  return length;
}

std::vector<char32_t> FoldedCodePoints(const std::string& text) {
  std::vector<char32_t> out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t length = SequenceLength(text, i);
    const auto lead = static_cast<uint8_t>(text[i]);
    char32_t c = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
    for (size_t k = 1; k < length; ++k) c = (c << 6) | (static_cast<uint8_t>(text[i + k]) & 0x3F);
    out.push_back(Folded(c));
    i += length;
  }
  return out;
}

}  // namespace

// Greedy match that returns to the last "*" on a mismatch: at most
// pattern length x name length steps, whatever the pattern.
bool MatchesWildcard(const std::string& pattern, const std::string& name) {
  const std::vector<char32_t> p = FoldedCodePoints(pattern);
  const std::vector<char32_t> n = FoldedCodePoints(name);
  size_t pi = 0, ni = 0;
  size_t starP = SIZE_MAX, starN = 0;
  while (ni < n.size()) {
    if (pi < p.size() && p[pi] == '*') {
      starP = ++pi;
      starN = ni;
    } else if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
      ++pi;
      ++ni;
    } else if (starP != SIZE_MAX) {
      pi = starP;
      ni = ++starN;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}
