// The libFuzzer entry of one target; QUORVIN_FUZZ_TARGET names its body in
// harness/FuzzTargets.cpp. Built once per target.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzTargets.h"
#include "Trace.h"

namespace {

const fuzzing::FuzzTarget* target = nullptr;

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
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > target->MaxLen) return -1;  // not worth keeping in the corpus
  target->Run(data, size);
  return 0;
}
