#include "FuzzReplay.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "TestSupport.h"

namespace testing_support {

namespace {

const fuzzing::FuzzTarget& Target(const std::string& name) {
  const fuzzing::FuzzTarget* target = fuzzing::FindFuzzTarget(name);
  if (!target) throw std::invalid_argument("no fuzz target " + name);
  return *target;
}

}  // namespace

std::vector<FuzzInput> FuzzReplayInputs(const std::string& target, size_t maxSeeds) {
  std::vector<FuzzInput> inputs;
  const std::filesystem::path folder = std::filesystem::path(QUORVIN_SOURCE_DIR) / "fuzz" / "regressions" / target;
  if (std::filesystem::is_directory(folder)) {
    for (const auto& file : std::filesystem::directory_iterator(folder)) {
      if (file.is_regular_file()) inputs.push_back({file.path().filename().string(), ReadFileBytes(file.path())});
    }
  }
  std::sort(inputs.begin(), inputs.end(), [](const FuzzInput& a, const FuzzInput& b) { return a.Name < b.Name; });
  std::vector<fuzzing::Bytes> seeds = Target(target).Seeds();
  for (size_t n = 0; n < seeds.size() && n < maxSeeds; ++n) {
    inputs.push_back({"seed-" + std::to_string(n), std::move(seeds[n])});
  }
  return inputs;
}

void ReplayThroughFuzzTarget(const std::string& target, const FuzzInput& input) {
  const fuzzing::FuzzTarget& t = Target(target);
  struct LimitsGuard {
    TImagingLimits saved = ImagingLimits();
    ~LimitsGuard() { ImagingLimits() = saved; }
  } guard;
  ImagingLimits() = t.Limits;
  t.Run(input.Data.data(), input.Data.size());
}

}  // namespace testing_support
