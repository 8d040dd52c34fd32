// The record stage: type headers skipped or kept, Script bundles, trace lines, hostile records.
#include <gtest/gtest.h>

#include <algorithm>

#include "ArchiveTestSupport.h"
#include "Exceptions.h"

using namespace archive_test;
using sdsmaker::Archive;
using sdsmaker::Build;
using sdsmaker::Bytes;
using sdsmaker::Resource;
using sdsmaker::SubScript;

namespace {

struct Range {
  int32_t start, size;
  bool operator==(const Range&) const = default;
};

std::vector<Range> Ranges(const TIEFile& f) {
  std::vector<Range> out;
  for (const TIEFile_Entry& e : f.files) out.push_back({e.start, e.size});
  return out;
}

void PrintTo(const Range& r, std::ostream* os) { *os << "{" << r.start << ", " << r.size << "}"; }

Resource Script(const std::string& folder, std::vector<SubScript> subs, const Bytes& tail = {}) {
  Resource r = Res("Script", "/scripts/bundle.sbd", tail, folder);
  r.subScripts = std::move(subs);
  return r;
}

// Record bodies start 10 bytes into each record.
TEST(Records, SkipOrKeepTypeHeaders) {
  struct Case {
    const char* name;
    Resource resource;
    Range skipped, kept;
  } cases[] = {
      {"Texture: 30-byte header", Res("Texture", "/t.dds", Bytes(70, 1)), {40, 70}, {10, 100}},
      {"Mipmap: 29", Res("Mipmap", "/m.dds", Bytes(5, 1)), {39, 5}, {10, 34}},
      {"VertexBufferPool: 29", Res("VertexBufferPool", "/v.vbp", Bytes(8, 1)), {39, 8}, {10, 37}},
      {"Sound with 7-character name: 32", Res("Sound", "/s.wav", Bytes(9, 1), "explode"), {42, 9}, {10, 41}},
      {"Sound with empty name: 25", Res("Sound", "/s.wav", Bytes(3, 1)), {35, 3}, {10, 28}},
      {"MemFile with 4-character name: 36", Res("MemFile", "/m.bin", Bytes(6, 1), "heap"), {46, 6}, {10, 42}},
      {"XML: no header", Res("XML", "/c.xml", Bytes(12, 1)), {10, 12}, {10, 12}},
      {"Effects: no header", Res("Effects", "/g.fx", Bytes(4, 1)), {10, 4}, {10, 4}},
      {"empty type word: no header", Res("", "/x", Bytes(4, 1)), {10, 4}, {10, 4}},
      {"type words are case-sensitive", Res("texture", "/t.dds", Bytes(40, 1)), {10, 40}, {10, 40}},
      {"Script without sub-scripts", Script("abcd", {}, Bytes(5, 1)), {40, 5}, {10, 35}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Archive a;
    a.resources = {c.resource, Res("XML", "/after.xml", Text("next"))};
    const sdsmaker::Built built = Build(a);
    for (bool keep : {false, true}) {
      const auto opened = OpenBytes(built.file, keep);
      ASSERT_TRUE(opened->ok()) << opened->error;
      ASSERT_EQ(opened->sds->files.size(), 2u);
      EXPECT_EQ(Ranges(*opened->sds)[0], keep ? c.kept : c.skipped) << "keepheader " << keep;
      EXPECT_EQ(StreamBytes(opened->sds->files[1]), Text("next"));  // the next record is found
      if (!keep) {
        EXPECT_EQ(StreamBytes(opened->sds->files[0]), c.resource.data);
      }
    }
  }
}

TEST(Records, ScriptBundleTracesAndAppendsItsSubScripts) {
  Archive a;
  a.resources = {Res("XML", "/pad.xml", Bytes(990, 'p')),
                 Script("fold", {{"main.lua", Bytes(200, 's'), {}}})};
  const auto opened = OpenBytes(Build(a).file);
  ASSERT_TRUE(opened->ok()) << opened->error;
  const std::vector<std::string> expected = {
      "Reading File of type XML at 10",  "Reading File of type Script at 1010", "Reading 1 scripts",
      "Reading SubScript at 1040",       "Header end at 1070",                  "Seeking 200 bytes",
  };
  EXPECT_EQ(opened->trace, expected);
  const TIEFile& f = *opened->sds;
  ASSERT_EQ(f.files.size(), 3u);
  EXPECT_EQ(Ranges(f), (std::vector<Range>{{10, 990}, {1270, 0}, {1070, 200}}));
  EXPECT_EQ(f.files[2].TypeName, "SubScript");
  EXPECT_EQ(f.files[2].SourceDataDescription, "main.lua");
  EXPECT_EQ(f.files[2].Parent, &opened->sds);
  EXPECT_TRUE(StreamBytes(f.files[1]).empty());
}

TEST(Records, TraceCarriesAWholeLongTypeWord) {
  const std::string word(3000, 'W');
  Archive a;
  a.resources = {Res(word, "/x", Text("abc"))};
  const auto opened = OpenBytes(Build(a).file);
  ASSERT_TRUE(opened->ok()) << opened->error;
  EXPECT_EQ(opened->trace, (std::vector<std::string>{"Reading File of type " + word + " at 10"}));
}

TEST(Records, SubScriptsFollowAllDescriptorEntriesInRecordOrder) {
  Archive a;
  a.resources = {Script("a", {{"one.lua", Text("1"), {}}, {"two.lua", Text("22"), {}}}),
                 Res("Texture", "/t.dds", Text("tex")),
                 Script("b", {{"three.lua", Text("333"), {}}}, Text("tail")),
                 Script("c", {})};
  const auto opened = OpenBytes(Build(a).file);
  ASSERT_TRUE(opened->ok()) << opened->error;
  std::vector<std::string> names;
  for (const TIEFile_Entry& e : opened->sds->files) names.push_back(e.GetFileName());
  EXPECT_EQ(names, (std::vector<std::string>{"bundle.sbd", "t.dds", "bundle.sbd", "bundle.sbd", "one.lua",
                                             "two.lua", "three.lua"}));
  EXPECT_EQ(StreamBytes(opened->sds->files[5]), Text("22"));
  EXPECT_EQ(StreamBytes(opened->sds->files[2]), Text("tail"));
  EXPECT_EQ(std::count(opened->trace.begin(), opened->trace.end(), "Reading 0 scripts"), 1);

  // Kept headers: each Script is one entry holding its header and sub-scripts.
  const auto kept = OpenBytes(Build(a).file, true);
  ASSERT_TRUE(kept->ok());
  EXPECT_EQ(kept->sds->files.size(), 4u);
  EXPECT_EQ(kept->trace.size(), 4u);  // one line per record, nothing else
}

TEST(Records, TextureHeaderRunningIntoTheNextRecord) {
  // Record 0 claims S = 30: its 30-byte header reads 10 bytes of record 1's head.
  Bytes stream;
  sdsmaker::AppendInt32(stream, 0);
  sdsmaker::AppendInt32(stream, 30);
  sdsmaker::AppendInt16(stream, 0);
  stream.insert(stream.end(), 20, 0xAA);
  sdsmaker::AppendInt32(stream, 0);
  sdsmaker::AppendInt32(stream, 14);
  sdsmaker::AppendInt16(stream, 0);
  sdsmaker::AppendText(stream, "next");
  Archive a;
  a.resources = {Res("Texture", "/t.dds", {}), Res("XML", "/n.xml", {})};
  a.resourceStream = stream;
  const auto opened = OpenBytes(Build(a).file);
  ASSERT_TRUE(opened->ok()) << opened->error;
  EXPECT_EQ(Ranges(*opened->sds), (std::vector<Range>{{40, -10}, {40, 4}}));
  EXPECT_EQ(StreamBytes(opened->sds->files[1]), Text("next"));
  EXPECT_THROW(opened->sds->files[0].AsStream(), EAssertionFailed);
}

TEST(Records, RecordCountAndDescriptorDisagree) {
  Archive a;
  a.resources = {Res("XML", "/a.xml", Text("a")), Res("XML", "/b.xml", Text("b"))};
  {
    a.resCount = 0;
    const auto opened = OpenBytes(Build(a).file);
    ASSERT_TRUE(opened->ok());
    EXPECT_TRUE(opened->trace.empty());
    EXPECT_EQ(Ranges(*opened->sds), (std::vector<Range>{{0, 0}, {0, 0}}));
  }
  {
    a.resCount = 1;  // the second entry is never reached
    const auto opened = OpenBytes(Build(a).file);
    ASSERT_TRUE(opened->ok());
    EXPECT_EQ(StreamBytes(opened->sds->files[0]), Text("a"));
    EXPECT_EQ(opened->sds->files[1].Parent, nullptr);
    try {
      opened->sds->files[1].AsStream();
      ADD_FAILURE() << "no failure";
    } catch (const EAssertionFailed& e) {
      EXPECT_STREQ(e.what(), Report("Entry \"b.xml\" has no byte range: no resource record reached it", 190).c_str());
    }
  }
  {
    a.resCount = 3;  // a record with no descriptor entry: the first two are still complete
    a.resources.push_back(Res("XML", "/c.xml", Text("c")));
    a.descriptor = sdsmaker::DescriptorXml({a.resources[0], a.resources[1]});
    const auto opened = OpenBytes(Build(a).file);
    EXPECT_EQ(opened->error, Report("Resource record 2 has no entry in the resource descriptor (2 entries)", 146));
    EXPECT_EQ(StreamBytes(opened->sds->files[1]), Text("b"));
  }
}

TEST(Records, HostileRecordsEndTheOpenCleanly) {
  auto WithSize = [](int32_t s) {
    Resource r = Res("XML", "/x.xml", Text("abc"));
    r.recordSize = s;
    return r;
  };
  Resource negativeSub = Script("f", {{"a.lua", Text("x"), -5}});
  Resource hugeSub = Script("f", {{"a.lua", Text("x"), 0x7FFFFFF0}});
  Resource lastHuge = WithSize(0x7FFFFFFF);
  struct Case {
    const char* name;
    std::vector<Resource> resources;
    std::string error;
  } cases[] = {
      {"record size 0", {WithSize(0), WithSize(13)}, Report("Resource record 0 at 0 has a size of 0, less than its 10-byte head", 150)},
      {"record size 9", {WithSize(13), WithSize(9)}, Report("Resource record 1 at 13 has a size of 9, less than its 10-byte head", 150)},
      {"record size negative", {WithSize(-100)}, Report("Resource record 0 at 0 has a size of -100, less than its 10-byte head", 150)},
      {"sub-script size negative", {negativeSub},
       Report("Sub-script 0 of resource record 0 has a negative size (-5)", 171)},
      {"sub-script size huge", {hugeSub},
       Report("Sub-script 0 of resource record 0 runs past the end of the resource stream (2147483632 bytes at 64)",
              171)},
      {"record past the end, then another", {lastHuge, WithSize(13)}, "Stream-Lesefehler"},
      {"type header past the end", {Res("MemFile", "/m", {}, "name")}, ""},  // filled below
  };
  cases[6].resources[0].typeHeader = Bytes(12, 0);
  cases[6].error = "Stream-Lesefehler";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Archive a;
    a.resources = c.resources;
    EXPECT_EQ(OpenBytes(Build(a).file)->error, c.error);
  }
}

TEST(Records, RangePastTheEndFailsOnlyWhenExtracted) {
  Resource r = Res("XML", "/x.xml", Text("abc"));
  r.recordSize = 1000;
  Archive a;
  a.resources = {Res("XML", "/first.xml", Text("first")), r};
  const auto opened = OpenBytes(Build(a).file);
  ASSERT_TRUE(opened->ok()) << opened->error;
  EXPECT_EQ(opened->sds->files[1].size, 990);
  EXPECT_THROW(opened->sds->files[1].AsStream(), EReadError);
  EXPECT_EQ(StreamBytes(opened->sds->files[0]), Text("first"));
}

}  // namespace
