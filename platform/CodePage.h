// The fixed single-byte code page that turns archive bytes into characters:
// windows-1252, its five undefined bytes mapped to the same-valued control characters.
#pragma once

#include <cstdint>
#include <string>

// Appends the character of one stored byte to a UTF-8 text.
void AppendAnsiChar(std::string& text, uint8_t byte);

// Converts a run of stored bytes, each byte one character, to UTF-8.
std::string AnsiToUtf8(const void* bytes, size_t count);
