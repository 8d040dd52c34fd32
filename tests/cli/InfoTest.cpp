// quorvin-cli info: the subimage list as text and JSON, and loud failures
// where the loader finds nothing it can use.
#include <gtest/gtest.h>

#include "DdsMaker.h"
#include "TestSupport.h"

namespace {

using namespace testing_support;

struct TInfoCase {
  const char* Name;
  std::vector<uint8_t> File;
  std::vector<std::string> Options;
  int ExitCode;
  std::string Out;
  std::string ErrContains;
};
// Parameters show in test listings by name.
void PrintTo(const TInfoCase& c, std::ostream* os) { *os << c.Name; }

std::vector<uint8_t> CubeDxt1() {
  TDdsHeader h = DdsFourCCHeader(8, 8, DdsFourCC("DXT1"), 32);
  SetDdsMipMaps(h, 2);
  h.Caps2 = dds::kCaps2CubeMap | 0x400 | 0x800;
  return BuildDds(h, std::vector<uint8_t>(80));
}

std::vector<uint8_t> Rgb() { return BuildDds(DdsMaskHeader(3, 2, dds::kPfRGB, 24, 0, 0, 0, 0), std::vector<uint8_t>(18)); }

const TInfoCase kCases[] = {
    {"Text", CubeDxt1(), {}, 0, "0\t8x8\tDXT1\n1\t4x4\tDXT1\n2\t8x8\tDXT1\n3\t4x4\tDXT1\n", ""},
    {"Json", Rgb(), {"--json"}, 0,
     "{\"cube_map\": false, \"volume\": false, \"mipmap_count\": 1, \"depth\": 1, \"subimages\": "
     "[{\"index\": 0, \"width\": 3, \"height\": 2, \"format\": \"R8G8B8\", \"size\": 18}]}\n",
     ""},
    {"JsonCube", CubeDxt1(), {"--json"}, 0,
     "{\"cube_map\": true, \"volume\": false, \"mipmap_count\": 2, \"depth\": 2, \"subimages\": "
     "[{\"index\": 0, \"width\": 8, \"height\": 8, \"format\": \"DXT1\", \"size\": 32}, "
     "{\"index\": 1, \"width\": 4, \"height\": 4, \"format\": \"DXT1\", \"size\": 8}, "
     "{\"index\": 2, \"width\": 8, \"height\": 8, \"format\": \"DXT1\", \"size\": 32}, "
     "{\"index\": 3, \"width\": 4, \"height\": 4, \"format\": \"DXT1\", \"size\": 8}]}\n",
     ""},
    {"UnsupportedFourCC", BuildDds(DdsFourCCHeader(4, 4, DdsFourCC("DX10"), 16), {}), {}, 1, "",
     "unsupported DDS pixel format (FourCC 'DX10')"},
    {"NotDds", std::vector<uint8_t>(200, 7), {}, 1, "",
     "error: Error while loading images from stream "},
    {"UnknownOption", Rgb(), {"--yaml"}, 2, "", "info: unknown option '--yaml'"},
};

class CliInfo : public ::testing::TestWithParam<TInfoCase> {};

TEST_P(CliInfo, PrintsOrFails) {
  const TInfoCase& c = GetParam();
  TempDir dir;
  WriteFileBytes(dir / "t.dds", c.File);
  std::vector<std::string> argv = {QUORVIN_CLI, "info"};
  argv.insert(argv.end(), c.Options.begin(), c.Options.end());
  argv.push_back((dir / "t.dds").string());
  const RunResult r = RunProgram(argv);
  EXPECT_EQ(r.exitCode, c.ExitCode) << r.err;
  EXPECT_EQ(r.out, c.Out);
  if (!c.ErrContains.empty()) EXPECT_NE(r.err.find(c.ErrContains), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Cases, CliInfo, ::testing::ValuesIn(kCases),
                         ::testing::PrintToStringParamName());

TEST(CliInfoUsage, InputMissing) {
  const RunResult r = RunProgram({QUORVIN_CLI, "info", "--json"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("INPUT missing"), std::string::npos) << r.err;
}

}  // namespace
