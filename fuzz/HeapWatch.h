// Watches how much heap one fuzz input holds at once. libFuzzer's own limits
// miss the middle ground: -malloc_limit_mb sees one allocation at a time, and
// -rss_limit_mb the whole process, whose sanitizer quarantine and shadow memory
// already take hundreds of MiB whatever the input. An input that holds more
// than the limit at once, however it spreads it over allocations, aborts at the
// allocation that crossed it: a finding with the allocating stack.
#pragma once

#include <cstddef>

namespace heapwatch {

// Installs the allocator hooks; call once at start-up.
void Install(size_t limitBytes);
// Brackets one input: only what is allocated in between counts against it.
void BeginInput();
void EndInput();
// The most heap any input so far held at once, beyond what was live at its start.
size_t PeakInputBytes();

}  // namespace heapwatch
