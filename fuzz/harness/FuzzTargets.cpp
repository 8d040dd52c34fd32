#include "FuzzTargets.h"

#include <cstdio>
#include <cstdlib>

namespace fuzzing {

namespace {

constexpr int64_t kMiB = int64_t{1} << 20;

// The caps are set so that the most expensive legitimate input stays well
// inside the one-second timeout under the sanitizers and coverage tracing, on a
// busy machine: a longer run then means wasted work, not a big picture.
//
// Loading alone: a texture of at most 16 MiB, 4 MiB per subimage; zero-filling
// and copying that is quick.
constexpr TImagingLimits kTextureLimits{4 * kMiB, 16 * kMiB, 4096};
// Display and conversion go pixel by pixel through the general converter, about
// a microsecond per pixel when instrumented: 128 KiB of texture.
constexpr TImagingLimits kConvertLimits{64 * 1024, 128 * 1024, 4096};
// Export runs every writer twice over the main image: 16 KiB is a 64 x 64
// A8R8G8B8 picture or 256 x 128 DXT1 blocks, and still lets a side reach 4096.
// Larger pictures find nothing new, while the slow encoders (colour reduction,
// JPEG 2000) would push a legitimate one past the timeout under the sanitizers.
constexpr TImagingLimits kExportLimits{16 * 1024, 16 * kMiB, 4096};

}  // namespace

const std::vector<FuzzTarget>& FuzzTargets() {
  // A compressed chunk inflates at most about 1032-fold and the whole resource
  // stream stays in memory; under the sanitizers its growth by realloc copies
  // (old and new block live at once), and AsStream copies an entry out of it.
  // 128 KiB of archive hold at most about 280 MiB at once.
  static const std::vector<FuzzTarget> targets = {
      {"archive", FuzzArchive, kTextureLimits, 128 * 1024, ArchiveSeeds},
      {"descriptor", FuzzDescriptor, kTextureLimits, 64 * 1024, DescriptorSeeds},
      {"dds_load", FuzzDdsLoad, kTextureLimits, 1024 * 1024, DdsSeeds},
      {"dds_convert", FuzzDdsConvert, kConvertLimits, 1024 * 1024, DdsSeeds},
      {"export", FuzzExport, kExportLimits, 256 * 1024, DdsSeeds},
  };
  return targets;
}

const FuzzTarget* FindFuzzTarget(const std::string& name) {
  for (const FuzzTarget& target : FuzzTargets()) {
    if (name == target.Name) return &target;
  }
  return nullptr;
}

void CheckFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "FUZZ_CHECK failed: %s (%s:%d)\n", condition, file, line);
  std::abort();
}

}  // namespace fuzzing
