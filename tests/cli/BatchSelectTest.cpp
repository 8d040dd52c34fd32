// list and extract with --type and --name, and the usage errors of the batch options.
#include <gtest/gtest.h>

#include <sstream>

#include "BatchTestSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace batch_test;

std::vector<sdsmaker::Resource> Entries() {
  return {
      Res("Texture", "/t/Wall.dds", "0"),       // 0 Wall.dds
      Res("Mipmap", "/t/wall.dds", "1"),        // 1 wall.mipmap.dds
      Res("XML", "/cfg/\xC3\x84RGER.xml", "2"),  // 2 ÄRGER.xml
      Res("Effects", "/fx/glow.fx", "3"),       // 3 glow.fx
      Res("Texture", "/t/w.dds", "4"),          // 4 w.dds
  };
}

// The index column of list's text output.
std::string Indexes(const std::string& listing) {
  std::istringstream lines(listing);
  std::string line, indexes;
  while (std::getline(lines, line)) {
    if (!indexes.empty()) indexes += ' ';
    indexes.append(line, 0, line.find('\t'));
  }
  return indexes;
}

TEST(CliFilter, TypeAndNameSelectEntriesWithTheirOwnIndexes) {
  BatchArchive s(Entries());
  struct Case {
    std::vector<std::string> options;
    std::string indexes;
  } cases[] = {
      {{}, "0 1 2 3 4"},
      {{"--type", "Texture"}, "0 4"},
      {{"--type", "texture"}, ""},  // type words are exact
      {{"--type", "Mipmap", "--type=Texture"}, "0 1 4"},
      {{"--name", "wall*"}, "0 1"},  // any letter case
      {{"--name", "?.DDS"}, "4"},
      {{"--name", "\xC3\xA4rger.*"}, "2"},  // beyond ASCII too
      {{"--name", "*.*.dds"}, "1"},
      {{"--name", "*l*l*"}, "0 1"},
      {{"--name", "[w]*"}, ""},  // no bracket classes
      {{"--name=*.fx", "--name", "w.*"}, "3 4"},
      {{"--name", "wall*", "--type", "Mipmap"}, "1"},  // both must hold
      {{"--name", ""}, ""},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"list"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(s.archive);
    SCOPED_TRACE(::testing::PrintToString(c.options));
    const testing_support::RunResult r = Cli(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Indexes(r.out), c.indexes);
  }
  const testing_support::RunResult json = Cli({"list", "--json", "--type", "Mipmap", s.archive});
  EXPECT_NE(json.out.find("[\n  {\"index\": 1, \"name\": \"wall.mipmap.dds\""), std::string::npos) << json.out;
  EXPECT_EQ(json.out.find("\"index\": 0"), std::string::npos);
}

TEST(CliFilter, ExtractWritesWhatTheFiltersKeepOfTheGivenIndexes) {
  BatchArchive s(Entries());
  const testing_support::RunResult r =
      Cli({"extract", "--type", "Texture", s.archive, s.out.string(), "4", "1", "3", "0"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Tree(s.out), (std::map<std::string, std::string>{{"Wall.dds", "0"}, {"w.dds", "4"}}));
  // A filter that keeps nothing writes nothing and still succeeds.
  EXPECT_EQ(Cli({"extract", "--keep-going", "--name", "none", s.archive, s.out.string()}).err,
            "0 written, 0 skipped, 0 failed\n");
}

TEST(CliBatchUsage, WrongUseExitsWithTwoAndAHint) {
  BatchArchive s(Entries());
  const std::string out = s.out.string();
  const std::vector<std::string> cases[] = {
      {"list", "--keep-paths", s.archive},
      {"list", "--convert", "png", s.archive},
      {"list", "--on-conflict", "skip", s.archive},
      {"list", "--keep-going", s.archive},
      {"list", s.archive, "--type"},
      {"extract", s.archive, out, "--name"},
      {"extract", "--convert", "xyz", s.archive, out},
      {"extract", "--convert", "../png", s.archive, out},
      {"extract", "--convert=", s.archive, out},
      {"extract", "--convert", "pcx", s.archive, out},  // read-only format
      {"extract", "--on-conflict", "ask", s.archive, out},
      {"extract", "--on-conflict=Skip", s.archive, out},
      {"extract", "--keep-paths=yes", s.archive, out},
  };
  for (const std::vector<std::string>& args : cases) {
    SCOPED_TRACE(::testing::PrintToString(args));
    const testing_support::RunResult r = Cli(args);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    const size_t firstLineEnd = r.err.find('\n');
    EXPECT_EQ(r.err.rfind("error: ", 0), 0u) << r.err;
    EXPECT_EQ(r.err.substr(firstLineEnd + 1), "Try 'quorvin-cli --help' for more information.\n");
  }
  EXPECT_TRUE(fs::is_empty(s.out));
}

// Every option of list and extract is described, and shown in an example.
TEST(CliBatchUsage, HelpDescribesEveryOptionWithAnExample) {
  const testing_support::RunResult r = Cli({"--help"});
  EXPECT_EQ(r.exitCode, 0);
  std::istringstream lines(r.out);
  std::string line, examples;
  while (std::getline(lines, line)) {
    if (line.rfind("    quorvin-cli ", 0) == 0) examples += line + "\n";
  }
  for (const char* option : {"--json", "--keepheader", "--trace", "--type", "--name", "--progress", "--keep-paths",
                             "--convert", "--on-conflict", "--keep-going"}) {
    EXPECT_NE(r.out.find("\n  " + std::string(option) + " "), std::string::npos) << option;
    EXPECT_NE(examples.find(std::string(" ") + option + " "), std::string::npos) << option;
  }
}

}  // namespace
