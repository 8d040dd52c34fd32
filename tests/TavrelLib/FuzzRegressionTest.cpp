// Kept fuzz findings and the seeds of the archive targets, replayed through the
// targets' bodies; and the fault the archive target found in entry naming.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "FuzzReplay.h"
#include "TavrelLib.h"
#include "TestSupport.h"

using namespace testing_support;

namespace {

class ArchiveFuzzReplay : public ::testing::TestWithParam<const char*> {};

TEST_P(ArchiveFuzzReplay, EveryKeptInputRunsCleanly) {
  const std::vector<FuzzInput> inputs = FuzzReplayInputs(GetParam());
  ASSERT_FALSE(inputs.empty());
  for (const FuzzInput& input : inputs) {
    SCOPED_TRACE(input.Name);
    ReplayThroughFuzzTarget(GetParam(), input);
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, ArchiveFuzzReplay, ::testing::Values("archive", "descriptor"),
                         [](const auto& info) { return std::string(info.param); });

// Seeds that fail early would leave the fuzzer at the door of the format.
TEST(ArchiveFuzzSeeds, OpenWithEveryEntryInRange) {
  TempDir dir;
  int n = 0;
  for (const fuzzing::Bytes& seed : fuzzing::ArchiveSeeds()) {
    SCOPED_TRACE("seed-" + std::to_string(n));
    const std::string path = (dir / ("seed-" + std::to_string(n++) + ".sds")).string();
    WriteFileBytes(path, seed);
    auto archive = std::make_unique<TIEFile>();
    archive->me = &archive;
    archive->keepheader = seed.size() > 4 && (seed[4] & 1);
    ASSERT_NO_THROW(archive->ReadFile(path));
    for (const TIEFile_Entry& entry : archive->files) EXPECT_NO_THROW(entry.AsStream());
  }
}

// The type word can become the extension; it must never carry a folder into the
// extraction path.
TEST(GetFileName, TypeWordCannotAddAFolder) {
  struct Case {
    const char* type;
    const char* source;
    const char* expected;
  } cases[] = {
      {"/../../x", "a", "a._.._.._x"},
      {"..\\..\\x", "a", "a..._.._x"},
      {"a/b", "not available", "00000000.a_b"},
      {"/", "", "._"},
  };
  for (const Case& c : cases) {
    TIEFile_Entry entry;
    entry.TypeName = c.type;
    entry.SourceDataDescription = c.source;
    EXPECT_EQ(entry.GetFileName(), c.expected) << c.type << " " << c.source;
  }
}

}  // namespace
