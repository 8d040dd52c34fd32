#include "CodePage.h"

namespace {

// Unicode code points of the bytes 0x80..0x9F; the rest of windows-1252 equals Latin-1.
// 0x81, 0x8D, 0x8F, 0x90 and 0x9D are undefined there and keep their own value.
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

}  // namespace

void AppendAnsiChar(std::string& text, uint8_t byte) {
  if (byte < 0x80) {
    text.push_back(static_cast<char>(byte));
    return;
  }
  const uint32_t cp = (byte < 0xA0) ? kHighControls[byte - 0x80] : byte;
  if (cp < 0x800) {
    text.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    text.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    text.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    text.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    text.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string AnsiToUtf8(const void* bytes, size_t count) {
  std::string text;
  text.reserve(count);
  const auto* p = static_cast<const uint8_t*>(bytes);
  for (size_t i = 0; i < count; ++i) AppendAnsiChar(text, p[i]);
  return text;
}
