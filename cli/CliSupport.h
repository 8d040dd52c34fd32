// Small helpers the commands share: usage errors, JSON text, option words.
#pragma once

#include <stdexcept>
#include <string>

// Wrong usage: main() prints "error: <message>" and a hint, and exits with 2.
class UsageError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// A JSON string literal, quotes included (UTF-8 kept, control characters escaped).
std::string JsonString(const std::string& text);

// The desktop program's switch, accepted as --keepheader or -keepheader in any case.
bool IsKeepHeaderSwitch(const std::string& arg);
