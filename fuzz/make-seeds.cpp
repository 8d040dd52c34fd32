// make-seeds: writes every fuzz target's seed inputs, OUTPUT/<target>/seed-<n>,
// and prints each target's longest sensible input as "<target> <max_len>".
// Usage: make-seeds OUTPUT
#include <cstdio>
#include <filesystem>
#include <string>

#include "FuzzTargets.h"
#include "SdsMaker.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-seeds OUTPUT\n");
    return 2;
  }
  try {
    for (const fuzzing::FuzzTarget& target : fuzzing::FuzzTargets()) {
      const std::filesystem::path folder = std::filesystem::path(argv[1]) / target.Name;
      std::filesystem::create_directories(folder);
      int n = 0;
      for (const fuzzing::Bytes& seed : target.Seeds()) {
        sdsmaker::WriteBytes((folder / ("seed-" + std::to_string(n++))).string(), seed);
      }
      std::printf("%s %zu\n", target.Name, target.MaxLen);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make-seeds: %s\n", e.what());
    return 1;
  }
  return 0;
}
