// Entry naming, AsStream copies, the size text and writing an entry to a file.
#include <gtest/gtest.h>

#include <filesystem>

#include "ArchiveTestSupport.h"
#include "Exceptions.h"

using namespace archive_test;
using sdsmaker::Bytes;

namespace {

TIEFile_Entry Entry(const std::string& type, const std::string& source, int32_t start = 0, int32_t size = 0,
                    PIEFile parent = nullptr) {
  TIEFile_Entry e;
  e.TypeName = type;
  e.SourceDataDescription = source;
  e.start = start;
  e.size = size;
  e.Parent = parent;
  return e;
}

TEST(GetFileName, GivesTheWorkedNames) {
  struct Case {
    const char* type;
    const char* source;
    int32_t start;
    const char* expected;
  } cases[] = {
      {"Texture", "/textures/wall.dds", 0, "wall.dds"},
      {"Mipmap", "/textures/wall.dds", 0, "wall.mipmap.dds"},
      {"Mipmap", "/textures/wall", 0, "wall.mipmap.Mipmap"},
      {"XML", "/data/tables/config", 0, "config.XML"},
      {"Sound", "C:/x/y/a.b.c", 0, "a.b.c"},
      {"Effects", "d:\\fx\\glow.fx", 0, "glow.fx"},
      {"SubScript", "scripts\\main.lua", 0, "main.lua"},
      {"Texture", "a.dds/b", 0, "b.Texture"},
      {"Texture", "name.", 0, "name."},
      {"Mipmap", "name.", 0, "name.mipmap."},
      {"Texture", "", 0, ".Texture"},
      {"Texture", "not available", 4660, "00001234.Texture"},
      {"Mipmap", "not available", 255, "000000FF.Mipmap"},
      {"Script", "/sc/not available", 16, "00000010.Script"},
      {"Texture", "Not Available", 0, "Not Available.Texture"},
      {"XML", "not available", -1, "FFFFFFFF.XML"},
      {"XML", "drive:name", 0, "name.XML"},
      {"mipmap", "/w.dds", 0, "w.dds"},  // the insert needs the exact word
      {"", "/x/noext", 0, "noext."},
      {"", "..", 0, ".."},
      {"Texture", "/dir/", 0, ".Texture"},
      {"Texture", "/d\xC3\xA4t/\xE2\x82\xAC.dds", 0, "\xE2\x82\xAC.dds"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Entry(c.type, c.source, c.start).GetFileName(), c.expected) << c.type << " " << c.source;
  }
}

TEST(SizeText, RoundsHalvesToEven) {
  const std::pair<int64_t, const char*> cases[] = {
      {0, "0 kb"},    {511, "0 kb"},    {512, "0 kb"},       {513, "1 kb"},     {1023, "1 kb"},
      {1536, "2 kb"}, {2560, "2 kb"},   {3584, "4 kb"},      {1048576, "1024 kb"}, {-10, "0 kb"},
      {-1536, "-2 kb"}, {2147483647, "2097152 kb"},
  };
  for (const auto& [size, text] : cases) EXPECT_EQ(SizeText(size), text) << size;
}

class AsStreamTest : public ::testing::Test {
protected:
  void SetUp() override {
    sds = std::make_unique<TIEFile>();
    sds->decomp.WriteBuffer("0123456789", 10);
  }
  Bytes Copy(int32_t start, int32_t size) { return StreamBytes(Entry("XML", "/x", start, size, &sds)); }
  std::unique_ptr<TIEFile> sds;
};

TEST_F(AsStreamTest, CopiesExactlyTheRange) {
  EXPECT_EQ(Copy(2, 3), Text("234"));
  EXPECT_EQ(Copy(5, 0), Bytes());
  EXPECT_EQ(Copy(4, 6), Text("456789"));  // ends exactly at the end
  EXPECT_THROW(Copy(4, 7), EReadError);   // one byte more
  EXPECT_THROW(Copy(0, 0x7FFFFFFF), EReadError);
  EXPECT_THROW(Copy(0x7FFFFFFF, 0x7FFFFFFF), EReadError);
}

TEST_F(AsStreamTest, CopiesAreIndependent) {
  const TIEFile_Entry e = Entry("XML", "/x", 1, 4, &sds);
  const auto first = e.AsStream();
  const auto second = e.AsStream();
  first->Memory()[0] = 'Z';
  EXPECT_EQ(second->Memory()[0], '1');
  EXPECT_EQ(second->Position(), 0);
  EXPECT_EQ(sds->decomp.Memory()[1], '1');
}

TEST_F(AsStreamTest, RefusesEntriesWithoutAValidRange) {
  struct Case {
    TIEFile_Entry entry;
    std::string error;
  } cases[] = {
      {Entry("XML", "/a.xml", 0, 3, nullptr), Report("Entry \"a.xml\" has no byte range: no resource record reached it", 190)},
      {Entry("Texture", "/t.dds", 40, -10, &sds), Report("Entry \"t.dds\" has an invalid byte range (start 40, size -10)", 192)},
      {Entry("XML", "/n.xml", -4, 2, &sds), Report("Entry \"n.xml\" has an invalid byte range (start -4, size 2)", 192)},
  };
  for (const Case& c : cases) {
    try {
      c.entry.AsStream();
      ADD_FAILURE() << "no failure for " << c.error;
    } catch (const EAssertionFailed& e) {
      EXPECT_EQ(e.what(), c.error);
    }
  }
  std::unique_ptr<TIEFile> gone;  // the owner freed the archive
  EXPECT_THROW(Entry("XML", "/a.xml", 0, 1, &gone).AsStream(), EAssertionFailed);
}

TEST_F(AsStreamTest, SaveEntryToFileWritesOrRefuses) {
  testing_support::TempDir dir;
  const std::string folder = dir.path().string();
  SaveEntryToFile(Entry("XML", "/x", 0, 4, &sds), folder + "/a.bin");
  EXPECT_EQ(testing_support::ReadFileBytes(dir / "a.bin"), Text("0123"));
  SaveEntryToFile(Entry("XML", "/x", 6, 2, &sds), folder + "/a.bin");  // replaces
  EXPECT_EQ(testing_support::ReadFileBytes(dir / "a.bin"), Text("67"));
  SaveEntryToFile(Entry("XML", "/x", 3, 0, &sds), folder + "/empty");
  EXPECT_TRUE(std::filesystem::exists(dir / "empty"));
  EXPECT_EQ(std::filesystem::file_size(dir / "empty"), 0u);

  // Names that would address the folder itself, or that the system would cut short.
  const std::string badNames[] = {"", ".", "..", std::string("a\0b", 3), std::string(300, 'n')};
  for (const std::string& name : badNames) {
    const std::string path = folder + "/" + name;
    try {
      SaveEntryToFile(Entry("XML", "/x", 0, 4, &sds), path);
      ADD_FAILURE() << "no failure for a name of " << name.size() << " bytes";
    } catch (const EFCreateError& e) {
      // what() ends at a zero byte in the name.
      const std::string expected = "Datei \"" + path + "\" kann nicht erstellt werden. ";
      EXPECT_EQ(expected.rfind(e.what(), 0) == 0 || std::string(e.what()).rfind(expected, 0) == 0, true) << e.what();
    }
  }
  // A failed copy leaves the earlier file as it was and no temporary file behind.
  EXPECT_THROW(SaveEntryToFile(Entry("XML", "/x", 8, 5, &sds), folder + "/a.bin"), EReadError);
  EXPECT_EQ(testing_support::ReadFileBytes(dir / "a.bin"), Text("67"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

}  // namespace
