#pragma once
#include <string>
// The --help text: every command and option, with examples.
std::string HelpText();
