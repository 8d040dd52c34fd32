#include "Trace.h"

#include <utility>

namespace {
TraceSink& Sink() {
  static TraceSink sink;
  return sink;
}
}  // namespace

void SetTraceSink(TraceSink sink) { Sink() = std::move(sink); }
bool TraceEnabled() { return static_cast<bool>(Sink()); }
void Trace(const std::string& line) {
  if (Sink()) Sink()(line);
}
