// quorvin-cli export and convert: the files they write are the shared export
// path's, and where the desktop program would stay silent they fail loudly and
// write nothing.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "DdsMaker.h"
#include "Export.h"
#include "SdsMaker.h"
#include "TestSupport.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

std::vector<uint8_t> RandomBytes(size_t count, unsigned seed) {
  std::minstd_rand random(seed);
  std::vector<uint8_t> bytes(count);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

// 64 x 64 DXT5 with 7 levels, random blocks.
std::vector<uint8_t> Dxt5Chain() {
  TDdsHeader header = DdsFourCCHeader(64, 64, DdsFourCC("DXT5"), 64 * 64);
  SetDdsMipMaps(header, 7);
  return BuildDds(header, RandomBytes(64 * 64 + 32 * 32 + 16 * 16 + 8 * 8 + 4 * 16, 4));
}

std::vector<uint8_t> X8R8G8B8() {
  return BuildDds(DdsMaskHeader(6, 3, dds::kPfRGB, 32, 0xFF0000, 0xFF00, 0xFF, 0), RandomBytes(6 * 3 * 4, 6));
}

std::vector<uint8_t> Dxt2() { return BuildDds(DdsFourCCHeader(4, 4, DdsFourCC("DXT2"), 16), RandomBytes(16, 1)); }

// What the export path writes for these bytes, run in this process.
std::vector<uint8_t> ExportedInProcess(const std::vector<uint8_t>& dds, const std::string& extension,
                                       int32_t subimage = 0) {
  TempDir dir;
  TMemoryStream stream;
  stream.WriteBuffer(dds.data(), static_cast<int64_t>(dds.size()));
  stream.SetPosition(0);
  const fs::path path = dir / ("x." + extension);
  EXPECT_EQ(ExportMainImage(stream, path.string(), subimage).Outcome, TExportOutcome::Written);
  return ReadFileBytes(path);
}

class CliExport : public ::testing::Test {
protected:
  void SetUp() override {
    sdsmaker::Archive archive;
    archive.resources = {
        {"Texture", "/textures/wall.dds", Dxt5Chain()},
        {"Mipmap", "/textures/floor.dds", X8R8G8B8()},
        {"MemFile", "/data/notes.bin", {1, 2, 3}},
        {"Texture", "/textures/odd.dds", Dxt2()},
    };
    archive.resources[2].headerName = "notes.bin";
    sdsmaker::WriteBytes(Path("a.sds"), sdsmaker::Build(archive).file);
    sdsmaker::WriteBytes(Path("in.dds"), Dxt5Chain());
  }

  std::string Path(const std::string& name) const { return (dir / name).string(); }

  RunResult Run(std::vector<std::string> args) {
    for (std::string& arg : args) {
      if (arg.rfind("@", 0) == 0) arg = Path(arg.substr(1));  // "@name": a file in the test folder
    }
    args.insert(args.begin(), QUORVIN_CLI);
    return RunProgram(args);
  }

  TempDir dir;
};

TEST_F(CliExport, WritesWhatTheExportPathWrites) {
  struct Row {
    std::vector<std::string> args;
    std::vector<uint8_t> expected;
  };
  const Row rows[] = {
      {{"export", "@a.sds", "0", "@out.dds"}, ExportedInProcess(Dxt5Chain(), "dds")},
      {{"export", "@a.sds", "0", "@out.bmp"}, ExportedInProcess(Dxt5Chain(), "bmp")},
      {{"export", "@a.sds", "1", "@out.BMP"}, ExportedInProcess(X8R8G8B8(), "bmp")},
      {{"export", "--subimage", "2", "@a.sds", "0", "@out.dds"}, ExportedInProcess(Dxt5Chain(), "dds", 2)},
      {{"export", "-KEEPHEADER", "--keepheader", "--subimage=0", "--", "@a.sds", "1", "@out.bmp"}, {}},
      {{"convert", "@in.dds", "@out.bmp"}, ExportedInProcess(Dxt5Chain(), "bmp")},
      {{"convert", "--subimage", "6", "@in.dds", "@out.dds"}, ExportedInProcess(Dxt5Chain(), "dds", 6)},
  };
  for (const Row& row : rows) {
    const std::string command = ::testing::PrintToString(row.args);
    fs::remove_all(Path("out.dds"));
    fs::remove_all(Path("out.bmp"));
    fs::remove_all(Path("out.BMP"));
    const RunResult result = Run(row.args);
    if (row.expected.empty()) {
      // Type headers kept: the entry no longer starts as a DDS file.
      EXPECT_EQ(result.exitCode, 1) << command;
      continue;
    }
    EXPECT_EQ(result.exitCode, 0) << command << result.err;
    EXPECT_EQ(result.out, "") << command;
    EXPECT_EQ(result.err, "") << command;
    const std::string out = row.args.back().substr(1);
    EXPECT_TRUE(ReadFileBytes(dir / out) == row.expected) << command;
  }
}

TEST_F(CliExport, FailsClearlyAndWritesNothing) {
  struct Row {
    std::vector<std::string> args;
    int exitCode;
    const char* message;  // part of the error line
  };
  const Row rows[] = {
      {{"export", "@a.sds", "0", "@t.ico"}, 1, "no picture format matches the file name"},
      {{"export", "@a.sds", "0", "@t"}, 1, "no picture format matches the file name"},
      {{"export", "@a.sds", "0", "@t.pcx"}, 1, "ZSoft Paintbrush Image format chosen by"},
      {{"export", "@a.sds", "3", "@t.bmp"}, 1, "pixel format is not supported"},
      {{"export", "@a.sds", "2", "@t.bmp"}, 1, "is of type \"MemFile\", not a texture"},
      {{"export", "@a.sds", "4", "@t.bmp"}, 1, "entry 4 does not exist: the archive has 4 entries"},
      {{"export", "--subimage", "7", "@a.sds", "0", "@t.bmp"}, 1, "subimage 7 does not exist"},
      {{"export", "@missing.sds", "0", "@t.bmp"}, 1, "error: "},
      {{"convert", "@missing.dds", "@t.bmp"}, 1, "missing.dds"},
      {{"convert", "@", "@t.bmp"}, 1, "kann nicht ge"},
      {{"convert", "@empty.dds", "@t.bmp"}, 1, "error: Input stream has no data. Check Position property.\n"},
      {{"convert", "@a.sds", "@t.bmp"}, 1, "not a DDS texture"},
      {{"export", "@a.sds", "0"}, 2, "usage: quorvin-cli export"},
      {{"export", "@a.sds", "x", "@t.bmp"}, 2, "INDEX must be a number"},
      {{"export", "@a.sds", "-1", "@t.bmp"}, 2, "unknown option '-1'"},
      {{"export", "--subimage", "@a.sds", "0", "@t.bmp"}, 2, "--subimage must be a number"},
      {{"convert", "--keepheader", "@in.dds", "@t.bmp"}, 2, "unknown option '--keepheader'"},
      {{"convert", "@in.dds"}, 2, "usage: quorvin-cli convert"},
  };
  std::ofstream(Path("empty.dds"), std::ios::binary);  // an empty file
  for (const Row& row : rows) {
    const std::string command = ::testing::PrintToString(row.args);
    const RunResult result = Run(row.args);
    EXPECT_EQ(result.exitCode, row.exitCode) << command;
    EXPECT_EQ(result.out, "") << command;
    EXPECT_NE(result.err.find(row.message), std::string::npos) << command << "\n" << result.err;
    EXPECT_FALSE(fs::exists(dir / "t.bmp") || fs::exists(dir / "t.ico") || fs::exists(dir / "t.pcx") ||
                 fs::exists(dir / "t"))
        << command;
  }
}

TEST_F(CliExport, FailedExportKeepsTheFileItWouldReplace) {
  sdsmaker::WriteBytes(Path("keep.bmp"), {7, 7, 7});
  const RunResult result = Run({"export", "@a.sds", "3", "@keep.bmp"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(ReadFileBytes(dir / "keep.bmp") == std::vector<uint8_t>({7, 7, 7}));
}

}  // namespace
