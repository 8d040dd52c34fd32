// extract's batch writing: conflict policies, --keep-going summaries and exit
// codes, --convert through the shared export path, the progress line on a terminal.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "BatchTestSupport.h"
#include "DdsMaker.h"
#include "Export.h"

namespace {

namespace fs = std::filesystem;
using namespace batch_test;
using Files = std::map<std::string, std::string>;

std::vector<std::string> With(std::vector<std::string> options, const BatchArchive& s) {
  options.insert(options.begin(), "extract");
  options.push_back(s.archive);
  options.push_back(s.out.string());
  return options;
}

TEST(CliConflict, PoliciesOnExistingFilesAndRepeatedNames) {
  const std::vector<sdsmaker::Resource> entries = {
      Res("XML", "/a/x.xml", "one"),   Res("XML", "/b/x.xml", "two"),  Res("XML", "/c/y", "three"),
      Res("XML", "/d/.hidden", "h1"), Res("XML", "/e/.hidden", "h2"),
  };
  struct Case {
    std::vector<std::string> options;
    Files files;  // besides, x.xml held "old" before the run
    std::string summary;
  } cases[] = {
      {{}, {{"x.xml", "two"}, {"y.XML", "three"}, {".hidden", "h2"}}, "5 written, 0 skipped, 0 failed\n"},
      {{"--on-conflict", "overwrite"},
       {{"x.xml", "two"}, {"y.XML", "three"}, {".hidden", "h2"}},
       "5 written, 0 skipped, 0 failed\n"},
      {{"--on-conflict", "rename"},
       {{"x.xml", "old"}, {"x (2).xml", "one"}, {"x (3).xml", "two"}, {"y.XML", "three"}, {".hidden", "h1"},
        {".hidden (2)", "h2"}},
       "5 written, 0 skipped, 0 failed\n"},
      {{"--on-conflict=skip"}, {{"x.xml", "old"}, {"y.XML", "three"}, {".hidden", "h1"}},
       "2 written, 3 skipped, 0 failed\n"},
      {{"--on-conflict", "skip", "--keep-paths"},
       {{"x.xml", "old"}, {"a/x.xml", "one"}, {"b/x.xml", "two"}, {"c/y.XML", "three"}, {"d/.hidden", "h1"},
        {"e/.hidden", "h2"}},
       "5 written, 0 skipped, 0 failed\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.options));
    BatchArchive s(entries);
    testing_support::WriteFileBytes(s.out / "x.xml", {'o', 'l', 'd'});
    std::vector<std::string> args = With(c.options, s);
    args.insert(args.begin() + 1, "--keep-going");
    const testing_support::RunResult r = Cli(args);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, c.summary);
    EXPECT_EQ(Tree(s.out), c.files);
  }
}

// Rename never takes a name that is in use, whatever is there.
TEST(CliConflict, RenameStepsOverEverythingInTheWay) {
  BatchArchive s({Res("XML", "/x.xml", "new")});
  for (const char* name : {"x.xml", "x (2).xml", "x (4).xml"}) testing_support::WriteFileBytes(s.out / name, {'o'});
  fs::create_directory(s.out / "x (3).xml");
  fs::create_symlink("nowhere", s.out / "x (5).xml");
  EXPECT_EQ(Cli(With({"--on-conflict", "rename"}, s)).exitCode, 0);
  EXPECT_EQ(Text(s.out / "x (6).xml"), "new");
  // A folder in the way is no file to replace or keep: every policy fails on it.
  fs::remove(s.out / "x.xml");
  fs::create_directory(s.out / "x.xml");
  for (const char* policy : {"overwrite", "rename", "skip"}) {
    EXPECT_EQ(Cli(With({"--on-conflict", policy}, s)).exitCode, 1) << policy;
  }
}

std::vector<uint8_t> Argb(int width, int height) {
  std::vector<uint8_t> bgra(static_cast<size_t>(width * height * 4));
  for (size_t i = 0; i < bgra.size(); ++i) bgra[i] = static_cast<uint8_t>(i * 7);
  return MakeArgbDds(bgra, width, height);
}

// What the shared export path writes for these bytes under this name.
std::string Exported(const std::vector<uint8_t>& dds, const std::string& name) {
  testing_support::TempDir dir;
  TMemoryStream stream;
  stream.WriteBuffer(dds.data(), static_cast<int64_t>(dds.size()));
  stream.SetPosition(0);
  EXPECT_EQ(ExportMainImage(stream, (dir / name).string()).Outcome, TExportOutcome::Written);
  return Text(dir / name);
}

TEST(CliConvert, TexturesBecomePicturesOtherEntriesStayAsTheyAre) {
  const std::vector<uint8_t> wall = Argb(8, 4), level = Argb(4, 2);
  BatchArchive s({Res("Texture", "/t/wall.dds", wall), Res("Mipmap", "/t/wall.dds", level),
                  Res("XML", "/t/notes.dds", "<n/>"), Res("Texture", "/t/plain", wall)});
  for (const char* extension : {"png", ".BMP"}) {
    SCOPED_TRACE(extension);
    const std::string ext = extension[0] == '.' ? std::string(extension + 1) : extension;
    const testing_support::RunResult r = Cli(With({"--convert", extension, "--keep-paths"}, s));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Tree(s.out), (Files{{"t/wall." + ext, Exported(wall, "x." + ext)},
                                  {"t/wall.mipmap." + ext, Exported(level, "x." + ext)},
                                  {"t/notes.dds", "<n/>"},
                                  {"t/plain." + ext, Exported(wall, "x." + ext)}}));
    fs::remove_all(s.out / "t");
  }
}

TEST(CliKeepGoing, SummaryAndExitStatusAfterFailures) {
  const std::vector<uint8_t> good = Argb(4, 4);
  const std::vector<uint8_t> dxt2 = BuildDds(DdsFourCCHeader(4, 4, DdsFourCC("DXT2"), 16), std::vector<uint8_t>(16));
  BatchArchive s({Res("XML", "/k/ok.xml", "ok"), Res("Texture", "/k/bad.dds", "not a texture"),
                  Res("XML", "/k/..", "dots"), Res("Texture", "/k/odd.dds", dxt2), Res("Texture", "/k/good.dds", good)});
  const std::string out = s.out.string();
  const std::string dots = "Datei \"" + out + "/..\" kann nicht erstellt werden. Is a directory";
  const std::string notPicture =
      "the input is not a DDS texture nor any other known picture file; nothing was written";
  const std::string unsupported =
      "the texture's pixel format is not supported, so it holds no image to export; nothing was written";
  const std::string raw(good.begin(), good.end());
  struct Case {
    std::vector<std::string> options;
    int exitCode;
    std::string err;
    Files files;
  } cases[] = {
      {{}, 1, "error: " + dots + "\n", {{"ok.xml", "ok"}, {"bad.dds", "not a texture"}}},
      {{"--keep-going"},
       1,
       "error: entry 2 (..): " + dots + "\n4 written, 0 skipped, 1 failed\n",
       {{"ok.xml", "ok"}, {"bad.dds", "not a texture"}, {"odd.dds", std::string(dxt2.begin(), dxt2.end())},
        {"good.dds", raw}}},
      {{"--convert", "png"}, 1, "error: " + notPicture + "\n", {{"ok.xml", "ok"}}},
      {{"--convert", "png", "--keep-going"},
       1,
       "error: entry 1 (bad.dds): " + notPicture + "\nerror: entry 2 (..): " + dots +
           "\nerror: entry 3 (odd.dds): " + unsupported + "\n2 written, 0 skipped, 3 failed\n",
       {{"ok.xml", "ok"}, {"good.png", Exported(good, "x.png")}}},
      {{"--keep-going", "--convert", "png", "--type", "XML", "--name", "o*"},
       0,
       "1 written, 0 skipped, 0 failed\n",
       {{"ok.xml", "ok"}}},
      {{"--keep-going", "--on-conflict", "skip", "--progress"},
       1,
       "error: entry 2 (..): " + dots + "\n1 written, 3 skipped, 1 failed\n",
       {{"ok.xml", "ok"}, {"bad.dds", "B"}, {"odd.dds", "O"}, {"good.dds", "G"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.options));
    fs::remove_all(s.out);
    fs::create_directory(s.out);
    // The skip case finds these files in place.
    for (const auto& [name, content] : c.files) {
      if (content.size() == 1) testing_support::WriteFileBytes(s.out / name, {uint8_t(content[0])});
    }
    const testing_support::RunResult r = Cli(With(c.options, s));
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(Tree(s.out), c.files);
  }
}

// Runs quorvin-cli with standard error on a terminal of the given width.
std::string RunOnTerminal(const std::vector<std::string>& args, unsigned short columns) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return "no terminal";
  const std::string slaveName = ptsname(master);
  winsize size{};
  size.ws_col = columns;
  size.ws_row = 24;
  const pid_t pid = fork();
  if (pid == 0) {
    const int slave = open(slaveName.c_str(), O_RDWR | O_NOCTTY);
    ioctl(slave, TIOCSWINSZ, &size);
    const int devnull = open("/dev/null", O_RDWR);
    dup2(devnull, 0);
    dup2(devnull, 1);
    dup2(slave, 2);
    close(master);
    std::vector<char*> argv = {const_cast<char*>(QUORVIN_CLI)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  std::string text;
  char buffer[4096];
  // Reading ends with EIO once the child's side is closed.
  for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
  waitpid(pid, nullptr, 0);
  close(master);
  return text;
}

TEST(CliProgress, OneLineRedrawnInPlaceWithinTheTerminalWidth) {
  BatchArchive s({Res("XML", "/a.xml", std::string(3000, 'a')), Res("XML", "/b.xml", "b"),
                  Res("XML", "/c.xml", "c")});
  for (unsigned short columns : {120, 50}) {
    SCOPED_TRACE(columns);
    const std::string text = RunOnTerminal(With({"--progress"}, s), columns);
    // The terminal turns the one "\n" that ends the line into "\r\n".
    ASSERT_GE(text.size(), 2u) << text;
    EXPECT_EQ(text.find('\n'), text.size() - 1) << text;
    EXPECT_NE(text.find("3/3 entries"), std::string::npos) << text;
    size_t from = 0;
    for (size_t cr; (cr = text.find('\r', from)) != std::string::npos; from = cr + 1) {
      const std::string drawn = text.substr(from, cr - from);
      const size_t visible = drawn.size() - (drawn.find("\x1b[K") != std::string::npos ? 3 : 0);
      EXPECT_LT(visible, columns) << drawn;
    }
  }
  EXPECT_EQ(Tree(s.out).size(), 3u);
}

}  // namespace
