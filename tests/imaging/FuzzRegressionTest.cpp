// Kept fuzz findings and the seeds of the texture targets, replayed through the
// targets' bodies.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "DDSFormat.h"
#include "FuzzReplay.h"

using namespace testing_support;

namespace {

struct ReplayCase {
  const char* target;
  size_t seeds;  // how many seeds to replay besides the kept findings
};
// Parameters show in test listings by name.
void PrintTo(const ReplayCase& c, std::ostream* os) { *os << c.target; }

class TextureFuzzReplay : public ::testing::TestWithParam<ReplayCase> {};

TEST_P(TextureFuzzReplay, EveryKeptInputRunsCleanly) {
  const std::vector<FuzzInput> inputs = FuzzReplayInputs(GetParam().target, GetParam().seeds);
  ASSERT_FALSE(inputs.empty());
  for (const FuzzInput& input : inputs) {
    SCOPED_TRACE(input.Name);
    ReplayThroughFuzzTarget(GetParam().target, input);
  }
}

// Export runs every writer twice per input: its first seeds (the block formats
// and 32-bit colour) keep the test short.
INSTANTIATE_TEST_SUITE_P(Targets, TextureFuzzReplay,
                         ::testing::Values(ReplayCase{"dds_load", SIZE_MAX}, ReplayCase{"dds_convert", SIZE_MAX},
                                           ReplayCase{"export", 6}),
                         ::testing::PrintToStringParamName());

// Seeds the loader rejects would leave the fuzzer at the door of the format.
TEST(TextureFuzzSeeds, EverySeedLoads) {
  int n = 0;
  for (const fuzzing::Bytes& seed : fuzzing::DdsSeeds()) {
    SCOPED_TRACE("seed-" + std::to_string(n++));
    TMemoryStream stream;
    stream.WriteBuffer(seed.data(), static_cast<int64_t>(seed.size()));
    stream.SetPosition(0);
    TDDSFileFormat format;
    TDynImageDataArray images;
    EXPECT_TRUE(format.LoadFromStream(stream, images, false));
  }
}

}  // namespace
