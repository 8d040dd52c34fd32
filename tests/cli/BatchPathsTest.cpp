// extract --keep-paths: the folders of each source description are recreated
// under OUTDIR, and no source, however hostile, puts a file anywhere else.
#include <gtest/gtest.h>

#include <filesystem>

#include "BatchTestSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace batch_test;
using Files = std::map<std::string, std::string>;

// The archive and the output folder sit two levels down, so a source that gets
// past the output folder with up to three ".." lands inside the temporary folder,
// where the test sees it.
struct DeepSetup {
  testing_support::TempDir dir;
  std::string archive = (dir / "a.sds").string();
  fs::path out = dir / "w" / "out";
  explicit DeepSetup(const sdsmaker::Resource& resource) {
    sdsmaker::Archive a;
    a.resources = {resource};
    sdsmaker::WriteBytes(archive, sdsmaker::Build(a).file);
    fs::create_directories(out);
  }
  // Everything under the temporary folder but the archive, relative to it.
  Files Written() const {
    Files files = Tree(dir.path());
    files.erase("a.sds");
    return files;
  }
};

sdsmaker::Resource SubScript(const std::string& fileName) {
  sdsmaker::Resource script = Res("Script", "/s.sbd", "");
  script.subScripts = {{fileName, sdsmaker::Bytes{'L'}, {}}};
  return script;
}

TEST(CliKeepPaths, FoldersOfTheSourceStayInsideTheOutputFolder) {
  const std::string longPart(300, 'n');
  std::string deep;
  for (int i = 0; i < 24; ++i) deep += std::string(200, 'd') + "/";
  struct Case {
    const char* what;
    std::string type, source;
    std::string expected;  // the file written below w/out; "" when the entry must fail
  } cases[] = {
      {"folders of a rooted source", "XML", "/textures/wall.xml", "textures/wall.xml"},
      {"mixed separators", "XML", "\\a\\b/c.xml", "a/b/c.xml"},
      {"drive letter and backslashes", "XML", "C:\\art\\d.xml", "art/d.xml"},
      {"drive-relative name", "XML", "c:e.xml", "e.xml"},
      {"drive letter past a folder", "XML", "x/Q:\\f.xml", "x/f.xml"},
      {"parent parts dropped", "XML", "../../../g.xml", "g.xml"},
      {"parent and dot parts inside", "XML", "a/../../b/./h.xml", "a/b/h.xml"},
      {"network share", "XML", "\\\\server\\share\\i.xml", "server/share/i.xml"},
      {"three dots are a name", "XML", "...\\j.xml", ".../j.xml"},
      {"not available", "XML", "not available", "0000000A.XML"},
      {"empty source", "XML", "", ".XML"},
      {"only a folder", "XML", "../..\\", ".XML"},
      {"mipmap name inside its folder", "Mipmap", "/t/wall.dds", "t/wall.mipmap.dds"},
      {"sub-script with parent parts", "SubScript", "../../k.lua", "k.lua"},
      {"sub-script with U+0000 in a folder", "SubScript", std::string("a\0/../../l.lua", 14), ""},
      {"sub-script with U+0000 in the name", "SubScript", std::string("f/m\0.lua", 8), ""},
      {"folder name too long", "XML", longPart + "/n.xml", ""},
      {"path too long", "XML", deep + "o.xml", ""},
      {"file name too long", "XML", "p/" + longPart, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DeepSetup s(c.type == "SubScript" ? SubScript(c.source) : Res(c.type, c.source, "data"));
    const testing_support::RunResult r = Cli({"extract", "--keep-paths", s.archive, s.out.string()});
    if (c.expected.empty()) {
      EXPECT_EQ(r.exitCode, 1);
      EXPECT_EQ(r.err.rfind("error: ", 0), 0u) << r.err;
      EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
      const Files scriptOnly = {{"w/out/s.sbd", ""}};
      EXPECT_EQ(s.Written(), c.type == "SubScript" ? scriptOnly : Files{});
      continue;
    }
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const Files expected = c.type == "SubScript" ? Files{{"w/out/s.sbd", ""}, {"w/out/" + c.expected, "L"}}
                                                 : Files{{"w/out/" + c.expected, "data"}};
    EXPECT_EQ(s.Written(), expected);
  }
}

// An absolute source naming a real place: recreated below OUTDIR, the place untouched.
TEST(CliKeepPaths, AbsoluteSourceIsRecreatedBelowTheOutputFolder) {
  testing_support::TempDir target;
  const std::string source = (target / "abs.xml").string();
  DeepSetup s(Res("XML", source, "data"));
  const testing_support::RunResult r = Cli({"extract", "--keep-paths", s.archive, s.out.string() + "/"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(s.Written(), (Files{{"w/out" + source, "data"}}));
  EXPECT_FALSE(fs::exists(source));
}

// What is already in OUTDIR: a link or a file where a folder should go is refused.
TEST(CliKeepPaths, RefusesLinksAndFilesInPlaceOfFolders) {
  DeepSetup s(Res("XML", "/link/q.xml", "data"));
  fs::create_directory(s.dir / "elsewhere");
  fs::create_directory_symlink(s.dir / "elsewhere", s.out / "link");
  testing_support::RunResult r = Cli({"extract", "--keep-paths", s.archive, s.out.string()});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "error: Folder \"" + (s.out / "link").string() +
                       "\" cannot be created. Too many levels of symbolic links\n");
  EXPECT_TRUE(fs::is_empty(s.dir / "elsewhere"));

  fs::remove(s.out / "link");
  testing_support::WriteFileBytes(s.out / "link", {'f'});
  r = Cli({"extract", "--keep-paths", s.archive, s.out.string()});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "error: Folder \"" + (s.out / "link").string() + "\" cannot be created. Not a directory\n");
  // Without --keep-paths the same entry goes straight into OUTDIR.
  EXPECT_EQ(Cli({"extract", s.archive, s.out.string()}).exitCode, 0);
  EXPECT_EQ(Text(s.out / "q.xml"), "data");
}

}  // namespace
