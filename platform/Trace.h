// The diagnostic trace channel: one plain text line per event, no line break.
// Off until a front end installs a sink (the desktop program: standard error).
#pragma once

#include <functional>
#include <string>

using TraceSink = std::function<void(const std::string& line)>;

void SetTraceSink(TraceSink sink);
bool TraceEnabled();
void Trace(const std::string& line);
