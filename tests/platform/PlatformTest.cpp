#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "CodePage.h"
#include "Exceptions.h"
#include "Stream.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct TempDir {
  fs::path path;
  TempDir() {
    char tmpl[] = "/tmp/quorvin-test-XXXXXX";
    path = mkdtemp(tmpl);
  }
  ~TempDir() { fs::remove_all(path); }
};

}  // namespace

TEST(CodePage, MapsEveryHighByteAsWindows1252) {
  struct Case {
    uint8_t byte;
    const char* utf8;
  } cases[] = {
      {0x41, "A"},           {0x00, std::string("\0", 1).c_str()},
      {0x80, "\u20AC"},      {0x81, "\u0081"},  // undefined: same-valued control
      {0x8D, "\u008D"},      {0x8F, "\u008F"},  {0x90, "\u0090"}, {0x9D, "\u009D"},
      {0x9F, "\u0178"},      {0xA0, "\u00A0"},  {0xE4, "\u00E4"}, {0xFF, "\u00FF"},
  };
  for (const Case& c : cases) {
    std::string text;
    AppendAnsiChar(text, c.byte);
    if (c.byte == 0) {
      EXPECT_EQ(text, std::string(1, '\0'));
    } else {
      EXPECT_EQ(text, c.utf8) << "byte " << int(c.byte);
    }
  }
}

TEST(MemoryStream, ReadsWritesSeeksAndFailsShortReads) {
  TMemoryStream s;
  s.WriteBuffer("abcdef", 6);
  EXPECT_EQ(s.Size(), 6);
  s.SetPosition(4);
  char buf[4] = {};
  EXPECT_THROW(s.ReadBuffer(buf, 3), EReadError);
  EXPECT_EQ(s.Position(), 6);  // advanced over the bytes that were there
  EXPECT_EQ(std::string(buf, 2), "ef");
  s.Seek(10, TSeekOrigin::soBeginning);  // past the end is allowed
  EXPECT_EQ(s.Read(buf, 1), 0);
  s.WriteBuffer("z", 1);  // the gap reads as zero
  EXPECT_EQ(s.Size(), 11);
  EXPECT_EQ(s.Memory()[7], 0);
  EXPECT_STREQ(EReadError().what(), "Stream-Lesefehler");
}

TEST(MemoryStream, CopyFromCopiesExactlyOrFails) {
  TMemoryStream src, dst;
  src.WriteBuffer("0123456789", 10);
  src.SetPosition(2);
  dst.CopyFrom(src, 0);
  EXPECT_EQ(dst.Size(), 0);
  dst.CopyFrom(src, 5);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(dst.Memory()), 5), "23456");
  EXPECT_THROW(dst.CopyFrom(src, 4), EReadError);
}

TEST(SafeFileStream, ReplacesOnlyOnCommit) {
  TempDir dir;
  const fs::path target = dir.path / "out.bin";
  WriteFileSafely(target, "old", 3);
  {
    TSafeFileStream out(target);
    out.WriteBuffer("new content", 11);
    EXPECT_EQ(ReadAll(target), "old");  // unchanged until committed
  }  // destroyed without commit: the old file stays, no temporary is left
  EXPECT_EQ(ReadAll(target), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), {}), 1);
  WriteFileSafely(target, "new", 3);
  EXPECT_EQ(ReadAll(target), "new");
}

TEST(SafeFileStream, RejectsNamesThatCannotBeFiles) {
  TempDir dir;
  const std::string base = dir.path.string() + "/";
  const std::string names[] = {
      base,                                      // empty name: the folder itself
      base + ".",           base + "..",
      base + std::string("a\0b", 3),             // would be cut short by the system call
      base + std::string(300, 'x'),              // longer than a name may be
      base + "missing/x",                        // no such folder
  };
  for (const std::string& name : names) {
    EXPECT_THROW(WriteFileSafely(name, "x", 1), EFCreateError) << name.size();
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), {}), 0);
  try {
    WriteFileSafely(base + "missing/x", "x", 1);
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Datei \"" + base + "missing/x\" kann nicht erstellt werden. No such file or directory");
  }
}

TEST(FileStream, OpenFailureNamesPathAndReason) {
  try {
    TFileStream f("/nonexistent/q");
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Datei /nonexistent/q kann nicht ge\xC3\xB6" "ffnet werden. No such file or directory");
  }
}

TEST(Exceptions, AssertionAndNestingTexts) {
  EXPECT_STREQ(EAssertionFailed("Boom.", "TavrelLib", 88).what(), "Boom. (TavrelLib, Zeile 88)");
  EXPECT_STREQ(EImagingError("Outer.", "Inner").what(), "Outer. Exception Message: Inner");
}
