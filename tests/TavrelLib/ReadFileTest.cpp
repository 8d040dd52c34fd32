// Opening an archive: file test, header and magic, type table, the XML descriptor.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include "ArchiveTestSupport.h"

using namespace archive_test;
using sdsmaker::Archive;
using sdsmaker::Build;
using sdsmaker::Bytes;

namespace {

const std::string kReadError = "Stream-Lesefehler";

Bytes WithDescriptor(const std::string& xml) {
  Archive a;
  a.descriptor = xml;
  a.resCount = 0;
  return Build(a).file;
}

void PatchInt32(Bytes& bytes, size_t at, int32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
}

Bytes Patched(Bytes bytes, size_t at, int32_t value) {
  PatchInt32(bytes, at, value);
  return bytes;
}

std::string Magic(const std::string& digits) {
  return Report("Magic number does not match (expected: $53445300, got: $" + digits + ") ", 99);
}

TEST(ReadFile, RejectsBrokenHeadersWithTheirReports) {
  const Bytes valid = Build(Archive{}).file;
  Bytes shortMagic = {'S', 'D', 'S', 0, 1, 2};
  struct Case {
    const char* name;
    Bytes file;
    std::string error;
  } cases[] = {
      {"empty file", {}, Magic("00000000")},
      {"little-endian magic digits", {0x41, 0x42, 0x43, 0x44, 0, 0, 0, 0}, Magic("44434241")},
      {"magic in wrong case", Bytes{'s', 'd', 's', 0}, Magic("00736473")},
      {"type table past the end", Patched(valid, 72, 3), kReadError},
      {"type table count huge", Patched(valid, 72, 0x7FFFFFFF), kReadError},
      {"type table count negative", Patched(valid, 72, -1), Report("Type table row count is negative (-1)", 103)},
      {"descriptor offset negative", Patched(valid, 24, -5),
       Report("Resource descriptor offset -5 lies outside the file (" + std::to_string(valid.size()) + " bytes)",
              108)},
      {"descriptor offset past the end", Patched(valid, 24, static_cast<int32_t>(valid.size() + 1)),
       Report("Resource descriptor offset " + std::to_string(valid.size() + 1) + " lies outside the file (" +
                  std::to_string(valid.size()) + " bytes)",
              108)},
      {"descriptor offset at the end: empty document", Patched(valid, 24, static_cast<int32_t>(valid.size())),
       "XML parse error: Document is empty (line 1)"},
      // Header fields past a short file stay zero: the descriptor is the whole file.
      {"short file with magic", shortMagic, "XML parse error: Start tag expected, '<' not found (line 1)"},
      {"descriptor not XML", WithDescriptor("not xml"), "XML parse error: Start tag expected, '<' not found (line 1)"},
      {"descriptor unclosed", WithDescriptor("<a><b></a>"),
       "XML parse error: Opening and ending tag mismatch: b line 1 and a (line 1)"},
      {"data offset negative", Patched(valid, 20, -1),
       Report("Data region offset -1 lies outside the file (" + std::to_string(valid.size()) + " bytes)", 121)},
      {"data offset past the end", Patched(valid, 20, 1 << 30), kReadError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto opened = OpenBytes(c.file);
    EXPECT_EQ(opened->error, c.error);
    EXPECT_EQ(opened->sds->data, nullptr) << "archive file left open";
  }
}

TEST(ReadFile, RejectsWhatIsNotARegularFile) {
  testing_support::TempDir dir;
  const std::string fifo = (dir / "fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {(dir / "missing.sds").string(), dir.path().string(), fifo}) {
    const auto opened = OpenPath(path);
    EXPECT_EQ(opened->error, Report("File \"" + path + "\" does not exist.", 88));
    EXPECT_EQ(opened->sds->filen, path);
  }
}

TEST(ReadFile, ReportsAFileThatCannotBeOpened) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads any file";
  testing_support::TempDir dir;
  const std::string path = (dir / "locked.sds").string();
  sdsmaker::WriteBytes(path, Build(Archive{}).file);
  chmod(path.c_str(), 0);
  EXPECT_EQ(OpenPath(path)->error, "Datei " + path + " kann nicht ge\xC3\xB6" "ffnet werden. Permission denied");
}

TEST(ReadFile, KeepsHeaderAndTypeTableAsStored) {
  Archive a;
  a.typeTable = {{"Texture", 7, -1}, {"", 0, 0}, {"Sound\x80", 1, 2}};
  sdsmaker::Built built = Build(a);
  PatchInt32(built.file, 16, 0x7FFFFFF0);  // flags_offset: not consulted
  const auto opened = OpenBytes(built.file);
  ASSERT_TRUE(opened->ok()) << opened->error;
  TIEFile& f = *opened->sds;
  EXPECT_EQ(f.header.magic, 0x00534453);
  EXPECT_EQ(f.header.version, 19);
  EXPECT_EQ(f.header.flags_offset, 0x7FFFFFF0);
  EXPECT_EQ(f.header.data_offset, built.dataOffset);
  EXPECT_EQ(f.header.xml_data_offset, built.xmlDataOffset);
  EXPECT_EQ(f.header.res_signature, 0x52455321);
  ASSERT_EQ(f.flags.size(), 3u);
  EXPECT_EQ(f.flags[0].name, "Texture");
  EXPECT_EQ(f.flags[0].value2, -1);
  EXPECT_EQ(f.flags[1].name, "");  // a 12-byte row
  EXPECT_EQ(f.flags[2].name, "Sound\u20AC");
  EXPECT_EQ(f.flags[2].value1, 1);
  const std::string xml = sdsmaker::DescriptorXml({});
  ASSERT_EQ(f.xmlstr.Size(), static_cast<int64_t>(xml.size()));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(f.xmlstr.Memory()), xml.size()), xml);
}

}  // namespace
