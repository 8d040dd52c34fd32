// quorvin-cli list and extract, run as a program on maker-built archives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>

#include "RandomArchive.h"
#include "SdsMaker.h"
#include "TavrelLib.h"
#include "TestSupport.h"

namespace fs = std::filesystem;
using sdsmaker::Archive;
using sdsmaker::Build;
using sdsmaker::Built;
using sdsmaker::Bytes;
using sdsmaker::Resource;
using testing_support::RunProgram;
using testing_support::RunResult;
using testing_support::TempDir;

namespace {

Resource Res(const std::string& type, const std::string& source, const std::string& data,
             const std::string& headerName = "") {
  Resource r;
  r.typeName = type;
  r.source = source;
  r.data = Bytes(data.begin(), data.end());
  r.headerName = headerName;
  return r;
}

Archive Sample() {
  Archive a;
  a.resources = {Res("Texture", "/textures/wall.dds", std::string(1536, 'w')),
                 Res("Mipmap", "/textures/wall.dds", "mip"),
                 Res("XML", "not available", "<x/>"),
                 Res("Sound", "C:/snd/\"q\"\\a.b", std::string(2560, 's'), "boom")};
  Resource script = Res("Script", "/sc/main.sbd", "", "scripts");
  script.subScripts = {{"main.lua", Bytes{'p'}, {}}, {"wall.dds", Bytes{'L', 'A', 'T', 'E'}, {}}};
  a.resources.push_back(script);
  return a;
}

struct Fixture {
  TempDir dir;
  std::string archive = (dir / "a.sds").string();
  explicit Fixture(const Bytes& bytes) { sdsmaker::WriteBytes(archive, bytes); }
};

RunResult Cli(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {QUORVIN_CLI};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProgram(argv);
}

TEST(CliList, PrintsOneLinePerEntry) {
  Fixture f(Build(Sample()).file);
  const RunResult r = Cli({"list", f.archive});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "0\twall.dds\t2 kb\tTexture\n"
            "1\twall.mipmap.dds\t0 kb\tMipmap\n"
            "2\t0000065C.XML\t0 kb\tXML\n"
            "3\ta.b\t2 kb\tSound\n"
            "4\tmain.sbd\t0 kb\tScript\n"
            "5\tmain.lua\t0 kb\tSubScript\n"
            "6\twall.dds\t0 kb\tSubScript\n");
}

TEST(CliList, PrintsJsonWithAndWithoutKeptHeaders) {
  Fixture f(Build(Sample()).file);
  const RunResult r = Cli({"list", "--json", "-KeepHeader", f.archive});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "{\"archive\": \"" + f.archive + "\", \"keepheader\": true, \"entries\": [\n"
            "  {\"index\": 0, \"name\": \"wall.dds\", \"type\": \"Texture\", \"source\": \"/textures/wall.dds\", "
            "\"start\": 10, \"size\": 1566, \"size_text\": \"2 kb\"},\n"
            "  {\"index\": 1, \"name\": \"wall.mipmap.dds\", \"type\": \"Mipmap\", \"source\": \"/textures/wall.dds\", "
            "\"start\": 1586, \"size\": 32, \"size_text\": \"0 kb\"},\n"
            "  {\"index\": 2, \"name\": \"0000065C.XML\", \"type\": \"XML\", \"source\": \"not available\", "
            "\"start\": 1628, \"size\": 4, \"size_text\": \"0 kb\"},\n"
            "  {\"index\": 3, \"name\": \"a.b\", \"type\": \"Sound\", \"source\": \"C:/snd/\\\"q\\\"\\\\a.b\", "
            "\"start\": 1642, \"size\": 2589, \"size_text\": \"3 kb\"},\n"
            "  {\"index\": 4, \"name\": \"main.sbd\", \"type\": \"Script\", \"source\": \"/sc/main.sbd\", "
            "\"start\": 4241, \"size\": 98, \"size_text\": \"0 kb\"}\n"
            "]}\n");
  // Without kept headers, the sub-scripts follow.
  const RunResult plain = Cli({"list", "--json", f.archive});
  EXPECT_NE(plain.out.find("\"keepheader\": false"), std::string::npos);
  EXPECT_NE(plain.out.find("{\"index\": 6, \"name\": \"wall.dds\", \"type\": \"SubScript\""), std::string::npos);
}

// Python's json.dumps with its default ASCII escaping (UTF-8 in, BMP characters only).
std::string PythonJson(const std::string& utf8) {
  std::string out = "\"";
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    const int length = c < 0x80 ? 1 : c < 0xE0 ? 2 : 3;
    uint32_t cp = length == 1 ? c : length == 2 ? (c & 0x1F) : (c & 0x0F);
    for (int k = 1; k < length; ++k) cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += static_cast<size_t>(length);
    const std::map<uint32_t, std::string> named = {{'"', "\\\""}, {'\\', "\\\\"}, {'\n', "\\n"},
                                                   {'\r', "\\r"},  {'\t', "\\t"},   {'\b', "\\b"}, {'\f', "\\f"}};
    if (named.count(cp)) {
      out += named.at(cp);
    } else if (cp < 0x20 || cp > 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", cp);
      out += escaped;
    } else {
      out += static_cast<char>(cp);
    }
  }
  return out + "\"";
}

// The JSON listing, read back by an independent parser, against what the maker wrote.
TEST(CliList, JsonOfRandomArchivesMatchesTheMaker) {
  const std::string script =
      "import json,sys\n"
      "d=json.load(sys.stdin)\n"
      "print(json.dumps([[e['index'],e['type'],e['source'],e['start'],e['size']] for e in d['entries']]))\n";
  for (uint32_t seed = 100; seed < 103; ++seed) {
    const Built built = Build(testing_support::RandomArchive(seed).Make());
    Fixture f(built.file);
    for (bool keep : {false, true}) {
      SCOPED_TRACE("seed " + std::to_string(seed) + (keep ? " keepheader" : ""));
      const RunResult r = RunProgram({"/bin/sh", "-c",
                                      std::string(QUORVIN_CLI) + " list --json " + (keep ? "--keepheader " : "") +
                                          "\"$1\" | " QUORVIN_PYTHON " -c \"$0\"",
                                      script, f.archive});
      ASSERT_EQ(r.exitCode, 0) << r.err;
      std::string expected = "[";
      const auto& entries = built.Entries(keep);
      for (size_t i = 0; i < entries.size(); ++i) {
        expected += (i ? ", [" : "[") + std::to_string(i) + ", " + PythonJson(entries[i].typeName) + ", " +
                    PythonJson(entries[i].source) + ", " + std::to_string(entries[i].start) + ", " +
                    std::to_string(entries[i].size) + "]";
      }
      EXPECT_EQ(r.out, expected + "]\n");
    }
  }
}

TEST(CliExtract, WritesEveryEntryAsTheDesktopProgramDoes) {
  const Built built = Build(Sample());
  Fixture f(built.file);
  const fs::path out = f.dir / "out";
  fs::create_directory(out);
  const RunResult r = Cli({"extract", "--progress", f.archive, out.string()});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out + r.err, "");  // no bar without a terminal
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(out)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"0000065C.XML", "a.b", "main.lua", "main.sbd", "wall.dds",
                                             "wall.mipmap.dds"}));
  // The sub-script named wall.dds comes later and replaces the texture's file.
  EXPECT_EQ(testing_support::ReadFileBytes(out / "wall.dds"), (Bytes{'L', 'A', 'T', 'E'}));
  EXPECT_EQ(testing_support::ReadFileBytes(out / "a.b"), built.EntryBytes(built.entries[3]));
  EXPECT_EQ(fs::file_size(out / "main.sbd"), 0u);
}

// Every file extract writes holds the bytes the maker put in the last entry of that name.
TEST(CliExtract, RandomArchivesGiveWhatTheMakerWrote) {
  for (uint32_t seed = 200; seed < 206; ++seed) {
    const Built built = Build(testing_support::RandomArchive(seed).Make());
    Fixture f(built.file);
    for (bool keep : {false, true}) {
      SCOPED_TRACE("seed " + std::to_string(seed) + (keep ? " keepheader" : ""));
      std::map<std::string, Bytes> expected;
      for (const sdsmaker::ExpectedEntry& e : built.Entries(keep)) {
        TIEFile_Entry entry;
        entry.TypeName = e.typeName;
        entry.SourceDataDescription = e.source;
        entry.start = e.start;
        expected[entry.GetFileName()] = built.EntryBytes(e);
      }
      const fs::path out = f.dir / (keep ? "kept" : "plain");
      fs::create_directory(out);
      std::vector<std::string> args = {"extract", f.archive, out.string()};
      if (keep) args.insert(args.begin() + 1, "--keepheader");
      const RunResult r = Cli(args);
      if (expected.count(".") || expected.count("..")) {
        EXPECT_EQ(r.exitCode, 1);  // a name that would address the folder itself
        continue;
      }
      ASSERT_EQ(r.exitCode, 0) << r.err;
      std::map<std::string, Bytes> written;
      for (const auto& file : fs::directory_iterator(out)) {
        written[file.path().filename().string()] = testing_support::ReadFileBytes(file.path());
      }
      EXPECT_EQ(written, expected);
    }
  }
}

TEST(CliExtract, WritesTheGivenIndexesInOrder) {
  const Built built = Build(Sample());
  Fixture f(built.file);
  const fs::path out = f.dir / "out";
  fs::create_directory(out);
  const RunResult r = Cli({"extract", "--keepheader", f.archive, out.string() + "/", "0", "3", "0"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(std::distance(fs::directory_iterator(out), {}), 2);
  EXPECT_EQ(testing_support::ReadFileBytes(out / "wall.dds"), built.EntryBytes(built.entriesKeepHeader[0]));
}

TEST(CliCommands, ReportFailuresAndUsageErrors) {
  Fixture f(Build(Sample()).file);
  const std::string out = (f.dir / "out").string();
  fs::create_directory(out);
  Archive hostile;
  hostile.resources = {Res("XML", "..", "x")};
  Fixture bad(Build(hostile).file);
  Fixture notSds(Bytes{'A', 'B', 'C', 'D'});
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string err;  // "" when only the exit code is checked
  } cases[] = {
      {{"list", notSds.archive}, 1,
       "error: Magic number does not match (expected: $53445300, got: $44434241)  (TavrelLib, Zeile 99)\n"},
      {{"list", f.archive + ".missing"}, 1,
       "error: File \"" + f.archive + ".missing\" does not exist. (TavrelLib, Zeile 88)\n"},
      {{"extract", f.archive, out, "7"}, 1, "error: Entry index 7 is out of range (the archive has 7 entries)\n"},
      {{"extract", f.archive, out + "/none"}, 1, "error: Folder \"" + out + "/none\" does not exist.\n"},
      {{"extract", bad.archive, out}, 1, "error: Datei \"" + out + "/..\" kann nicht erstellt werden. Is a directory\n"},
      {{"extract", f.archive, out, "x1"}, 2, ""},
      {{"extract", f.archive, out, "-1"}, 2, ""},
      {{"list", "--progress", f.archive}, 2, ""},
      {{"list", "--bogus", f.archive}, 2, ""},
      {{"list"}, 2, ""},
      {{"list", f.archive, f.archive}, 2, ""},
      {{"extract", f.archive}, 2, ""},
  };
  for (const Case& c : cases) {
    const RunResult r = Cli(c.args);
    SCOPED_TRACE(c.args[0] + " " + c.args.back());
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_EQ(r.out, "");
    if (!c.err.empty()) {
      EXPECT_EQ(r.err, c.err);
    }
    if (c.exitCode == 2) {
      EXPECT_EQ(r.err.rfind("error: ", 0), 0u) << r.err;
    }
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(out), {}), 0);  // nothing written by the failures
}

TEST(CliList, TraceGoesToStandardErrorOnlyWhenAsked) {
  Archive a;
  a.resources = {Res("XML", "/pad.xml", std::string(990, 'p'))};
  Resource script = Res("Script", "/s.sbd", "", "fold");
  script.subScripts = {{"main.lua", Bytes(200, 's'), {}}};
  a.resources.push_back(script);
  Fixture f(Build(a).file);
  EXPECT_EQ(Cli({"list", f.archive}).err, "");
  const RunResult r = Cli({"list", "--trace", f.archive});
  EXPECT_EQ(r.err,
            "Reading File of type XML at 10\nReading File of type Script at 1010\nReading 1 scripts\n"
            "Reading SubScript at 1040\nHeader end at 1070\nSeeking 200 bytes\n");
  EXPECT_EQ(r.out, "0\tpad.xml\t1 kb\tXML\n1\ts.sbd\t0 kb\tScript\n2\tmain.lua\t0 kb\tSubScript\n");
}

}  // namespace
