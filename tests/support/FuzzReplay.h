// Replays inputs through the fuzz targets' bodies (fuzz/harness) in the normal
// and the sanitizer test builds, so a fixed finding stays fixed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "FuzzTargets.h"

namespace testing_support {

struct FuzzInput {
  std::string Name;  // the file name, or "seed-<n>"
  fuzzing::Bytes Data;
};

// The kept findings of a target (fuzz/regressions/<target>/), then its first
// maxSeeds seeds (all of them by default).
std::vector<FuzzInput> FuzzReplayInputs(const std::string& target, size_t maxSeeds = SIZE_MAX);

// Runs one input through the target's body under the target's own caps; the
// program's caps are back in place afterwards. A broken promise aborts.
void ReplayThroughFuzzTarget(const std::string& target, const FuzzInput& input);

}  // namespace testing_support
