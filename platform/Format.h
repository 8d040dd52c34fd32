// printf-style formatting into std::string (the message texts are printf formats).
#pragma once

#include <string>

std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
