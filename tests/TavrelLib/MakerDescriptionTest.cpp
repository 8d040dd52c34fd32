// The sdsmake description: every directive reaches the archive the reader opens.
#include <gtest/gtest.h>

#include <stdexcept>

#include "ArchiveTestSupport.h"
#include "SdsDescription.h"

using namespace archive_test;

namespace {

TEST(MakerDescription, BuildsWhatItDescribes) {
  testing_support::TempDir dir;
  testing_support::WriteFileBytes(dir / "blob.bin", {1, 2, 3});
  const std::string description =
      "# every directive once\n"
      "chunk-size 7 3\n"
      "chunks alternate\n"
      "level 9\n"
      "chunk-text \"v 1\"\n"
      "type-row Texture 1 -2\n"
      "resource Texture /t/wall.dds file:blob.bin\n"
      "resource Sound \"/s/a b.wav\" hex:00FF10\n"
      "name boom\n"
      "resource Script /sc/x.sbd empty\n"
      "name scripts\n"
      "sub main.lua text:print(1)\n"
      "sub zero.bin zeros:4\n"
      "resource XML \"not available\" random:5:9\n";
  const sdsmaker::Built built = sdsmaker::Build(sdsmaker::ParseDescription(description, dir.path().string()));
  const auto opened = OpenBytes(built.file);
  ASSERT_TRUE(opened->ok()) << opened->error;
  const TIEFile& f = *opened->sds;
  ASSERT_EQ(f.files.size(), 6u);
  EXPECT_EQ(f.flags.at(0).value2, -2);
  EXPECT_EQ(StreamBytes(f.files[0]), (sdsmaker::Bytes{1, 2, 3}));
  EXPECT_EQ(f.files[1].SourceDataDescription, "/s/a b.wav");
  EXPECT_EQ(StreamBytes(f.files[1]), (sdsmaker::Bytes{0x00, 0xFF, 0x10}));
  EXPECT_EQ(f.files[3].size, 5);
  EXPECT_EQ(StreamBytes(f.files[4]), Text("print(1)"));
  EXPECT_EQ(f.files[5].GetFileName(), "zero.bin");
  EXPECT_EQ(StreamBytes(f.files[5]), sdsmaker::Bytes(4, 0));
}

TEST(MakerDescription, NamesTheLineAtFault) {
  const std::pair<const char*, const char*> cases[] = {
      {"bogus 1", "line 1: unknown directive 'bogus'"},
      {"\nname x", "line 2: 'name' before any resource"},
      {"resource A /a hex:0", "line 1: odd number of hex digits"},
      {"resource A /a nothing:1", "line 1: unknown data source: nothing:1"},
      {"resource A \"/a", "line 1: unclosed quote"},
      {"chunks sometimes", "line 1: chunks: compressed, stored or alternate"},
  };
  for (const auto& [text, error] : cases) {
    try {
      sdsmaker::ParseDescription(text, "/");
      ADD_FAILURE() << "no failure for " << text;
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), error);
    }
  }
}

}  // namespace
