#include "HeapWatch.h"

#include <sanitizer/allocator_interface.h>
#include <sanitizer/common_interface_defs.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace heapwatch {

namespace {

// Requested bytes live on the heap; the hooks run on every thread, and the
// sanitizer reports requested (not rounded) sizes to both of them.
std::atomic<int64_t> live{0};
std::atomic<bool> inInput{false};
int64_t inputBase = 0;
int64_t inputPeak = 0;  // of the current input, beyond inputBase
size_t overallPeak = 0;
int64_t limit = 0;

// Runs inside malloc: no allocation here, hence write(2) and a fixed buffer.
[[noreturn]] void ReportOverLimit(int64_t held) {
  char text[160];
  const int n = std::snprintf(text, sizeof text,
                              "==HeapWatch== out-of-memory: one input holds %lld MiB of heap at once (limit %lld MiB)\n",
                              static_cast<long long>(held >> 20), static_cast<long long>(limit >> 20));
  if (n > 0) (void)!write(STDERR_FILENO, text, static_cast<size_t>(n));
  __sanitizer_print_stack_trace();
  std::abort();
}

void OnMalloc(const volatile void*, size_t size) {
  const int64_t now = live.fetch_add(static_cast<int64_t>(size), std::memory_order_relaxed) +
                      static_cast<int64_t>(size);
  if (!inInput.load(std::memory_order_relaxed)) return;
  const int64_t held = now - inputBase;
  if (held <= inputPeak) return;
  inputPeak = held;
  if (held > limit) {
    inInput = false;  // the report itself must not trip again
    ReportOverLimit(held);
  }
}

void OnFree(const volatile void* pointer) {
  live.fetch_sub(static_cast<int64_t>(__sanitizer_get_allocated_size(pointer)), std::memory_order_relaxed);
}

}  // namespace

void Install(size_t limitBytes) {
  limit = static_cast<int64_t>(limitBytes);
  if (!__sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree)) {
    std::fprintf(stderr, "HeapWatch: no free slot for allocator hooks\n");
    std::exit(2);
  }
}

void BeginInput() {
  inputBase = live.load(std::memory_order_relaxed);
  inputPeak = 0;
  inInput = true;
}

void EndInput() {
  inInput = false;
  if (static_cast<size_t>(inputPeak) > overallPeak) overallPeak = static_cast<size_t>(inputPeak);
}

size_t PeakInputBytes() { return overallPeak; }

}  // namespace heapwatch
