// Seeded random archives read back exactly as the maker wrote them, and truncation
// sweeps: every cut either opens or fails with one of the reader's own reports.
#include <gtest/gtest.h>

#include "ArchiveTestSupport.h"
#include "RandomArchive.h"

using namespace archive_test;
using sdsmaker::Archive;
using sdsmaker::Build;
using sdsmaker::Built;
using sdsmaker::Bytes;
using sdsmaker::Resource;
using testing_support::RandomArchive;

namespace {

void ExpectReadAsWritten(const Built& built, bool keepheader) {
  const auto opened = OpenBytes(built.file, keepheader);
  ASSERT_TRUE(opened->ok()) << opened->error;
  const std::vector<sdsmaker::ExpectedEntry>& expected = built.Entries(keepheader);
  const std::vector<TIEFile_Entry>& files = opened->sds->files;
  ASSERT_EQ(files.size(), expected.size());
  for (size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE("entry " + std::to_string(i));
    EXPECT_EQ(files[i].TypeName, expected[i].typeName);
    EXPECT_EQ(files[i].SourceDataDescription, expected[i].source);
    EXPECT_EQ(files[i].start, expected[i].start);
    EXPECT_EQ(files[i].size, expected[i].size);
    EXPECT_EQ(StreamBytes(files[i]), built.EntryBytes(expected[i]));
  }
  TJustMemoryStream& d = opened->sds->decomp;
  EXPECT_EQ(Bytes(d.Memory(), d.Memory() + d.Size()), built.resourceStream);
}

TEST(RandomArchives, ReadBackExactlyAsTheMakerWroteThem) {
  for (uint32_t seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const Built built = Build(RandomArchive(seed).Make());
    ExpectReadAsWritten(built, false);
    ExpectReadAsWritten(built, true);
  }
}

// The reports a damaged archive may end in; anything else (or a crash) is a fault.
bool IsOwnReport(const std::string& error) {
  static const char* const kPrefixes[] = {
      "Stream-Lesefehler", "Magic number does not match", "XML parse error:", "Decompression Error.",
      "Resource descriptor offset", "Data region offset", "Data chunk at", "Compressed data chunk at",
      "Resource record", "Sub-script", "Element \"",
  };
  for (const char* prefix : kPrefixes) {
    if (error.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

// Opens a damaged archive; it must fail with an own report, or open with entries
// whose copies either succeed or fail cleanly.
void ExpectCleanOutcome(const Bytes& file) {
  const auto opened = OpenBytes(file);
  if (!opened->ok()) {
    EXPECT_TRUE(IsOwnReport(opened->error)) << opened->error;
    return;
  }
  for (const TIEFile_Entry& e : opened->sds->files) {
    try {
      e.AsStream();
    } catch (const std::exception& x) {
      EXPECT_TRUE(IsOwnReport(x.what()) || std::string(x.what()).rfind("Entry \"", 0) == 0) << x.what();
    }
  }
}

Archive SweepArchive() {
  Archive a;
  a.resources = {Res("Texture", "/t/wall.dds", Bytes(40, 7)), Res("Sound", "/s/boom.wav", Bytes(25, 3), "boom"),
                 Res("MemFile", "not available", Bytes(9, 1), "heap"), Res("XML", "/c/cfg", Text("<a/>"))};
  Resource script = Res("Script", "/sc/main.sbd", {}, "sc");
  script.subScripts = {{"a.lua", Text("print(1)"), {}}, {"b.lua", Text("x=2"), {}}};
  a.resources.push_back(script);
  a.chunking.sizes = {23, 5, 61};
  a.chunking.compressed = {true, false};
  return a;
}

TEST(TruncationSweep, EveryPrefixOfTheFileFailsCleanly) {
  const Bytes file = Build(SweepArchive()).file;
  for (size_t n = 0; n < file.size(); ++n) {
    SCOPED_TRACE("prefix " + std::to_string(n));
    ExpectCleanOutcome(Bytes(file.begin(), file.begin() + static_cast<ptrdiff_t>(n)));
  }
}

// The descriptor comes before the data region in reading order, so cuts of the
// chain need a descriptor behind them to reach the chunk and record stages.
TEST(TruncationSweep, EveryCutOfTheChunkChainFailsCleanly) {
  const Built built = Build(SweepArchive());
  const Bytes chain(built.file.begin() + built.dataOffset + 9, built.file.begin() + built.xmlDataOffset - 4);
  for (size_t n = 0; n < chain.size(); ++n) {
    SCOPED_TRACE("chain cut " + std::to_string(n));
    Archive a = SweepArchive();
    a.chunkChain = Bytes(chain.begin(), chain.begin() + static_cast<ptrdiff_t>(n));
    a.endMark = n % 2 == 0;  // with and without the chain's end mark right after the cut
    ExpectCleanOutcome(Build(a).file);
  }
}

TEST(TruncationSweep, EveryCutOfTheResourceStreamFailsCleanly) {
  const Built built = Build(SweepArchive());
  for (size_t n = 0; n < built.resourceStream.size(); ++n) {
    SCOPED_TRACE("stream cut " + std::to_string(n));
    Archive a = SweepArchive();
    a.resourceStream = Bytes(built.resourceStream.begin(), built.resourceStream.begin() + static_cast<ptrdiff_t>(n));
    ExpectCleanOutcome(Build(a).file);
  }
}

}  // namespace
