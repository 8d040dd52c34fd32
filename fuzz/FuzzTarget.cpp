// The libFuzzer entry of one target; QUORVIN_FUZZ_TARGET names its body in
// harness/FuzzTargets.cpp. Built once per target.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzTargets.h"
#include "HeapWatch.h"
#include "Trace.h"

namespace {

const fuzzing::FuzzTarget* target = nullptr;

// More heap than this held at once by one input is an out-of-memory finding:
// QUORVIN_FUZZ_HEAP_LIMIT_MB, 512 when unset.
size_t InputHeapLimit() {
  const char* mb = std::getenv("QUORVIN_FUZZ_HEAP_LIMIT_MB");
  return (mb && *mb ? std::strtoull(mb, nullptr, 10) : 512) << 20;
}

void PrintHeapStat() {
  std::fprintf(stderr, "stat::peak_input_heap_mb: %zu\n", (heapwatch::PeakInputBytes() + (1 << 20) - 1) >> 20);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  target = fuzzing::FindFuzzTarget(QUORVIN_FUZZ_TARGET);
  if (!target) {
    std::fprintf(stderr, "unknown fuzz target %s\n", QUORVIN_FUZZ_TARGET);
    std::exit(2);
  }
  ImagingLimits() = target->Limits;
  // Trace lines are formatted only when someone listens: listen, so their
  // formatting is fuzzed too.
  SetTraceSink([](const std::string&) {});
  heapwatch::Install(InputHeapLimit());
  std::atexit(PrintHeapStat);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > target->MaxLen) return -1;  // not worth keeping in the corpus
  heapwatch::BeginInput();
  target->Run(data, size);
  heapwatch::EndInput();
  return 0;
}
