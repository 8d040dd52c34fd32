// The bodies of the fuzz targets, one per reader of untrusted bytes, kept apart
// from libFuzzer so the regression tests can replay kept findings through the
// very same calls.
//
// Each body feeds the bytes through the calls the programs make and accepts the
// failures those calls raise on purpose (the Exception family). Anything else is
// a finding: a sanitizer report, a stray exception, or a broken promise of the
// interface, which FUZZ_CHECK turns into an abort.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ImageData.h"

namespace fuzzing {

using Bytes = std::vector<uint8_t>;
using TargetBody = void (*)(const uint8_t* data, size_t size);

struct FuzzTarget {
  const char* Name;          // fuzz_<Name> is the executable, fuzz/regressions/<Name>/ its findings
  TargetBody Run;
  TImagingLimits Limits;     // caps small enough that no input under 1 MiB needs 512 MiB
  size_t MaxLen;             // the longest input worth trying
  std::vector<Bytes> (*Seeds)();
};

// Every target, in the order the fuzz script runs them.
const std::vector<FuzzTarget>& FuzzTargets();
// The target of that name, or nullptr.
const FuzzTarget* FindFuzzTarget(const std::string& name);

// The bodies (ArchiveTargets.cpp, ImageTargets.cpp).
void FuzzArchive(const uint8_t* data, size_t size);
void FuzzDescriptor(const uint8_t* data, size_t size);
void FuzzDdsLoad(const uint8_t* data, size_t size);
void FuzzDdsConvert(const uint8_t* data, size_t size);
void FuzzExport(const uint8_t* data, size_t size);

// The seed inputs of each target (Seeds.cpp), made with the maker library.
std::vector<Bytes> ArchiveSeeds();
std::vector<Bytes> DescriptorSeeds();
std::vector<Bytes> DdsSeeds();

[[noreturn]] void CheckFailed(const char* condition, const char* file, int line);

}  // namespace fuzzing

// An interface promise that must hold for every input; aborts (a finding) otherwise.
#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::fuzzing::CheckFailed(#condition, __FILE__, __LINE__))
