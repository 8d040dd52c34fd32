// The little-endian readers of both stream classes: results, consumed bytes, failures.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "Exceptions.h"
#include "FileStream.h"
#include "TestSupport.h"

using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

using Bytes = std::vector<uint8_t>;

void Fill(TJustMemoryStream& s, const Bytes& bytes) {
  s.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  s.SetPosition(0);
}

// One reader call, with its result rendered as text so the cases share one table.
using Reader = std::function<std::string(TJustMemoryStream&)>;

struct ReaderCase {
  const char* name;
  Bytes input;
  Reader read;
  std::string expected;  // the result; ignored when the call must fail
  int64_t consumed;      // position afterwards (also after a failure)
  bool fails = false;
};

std::string Num(int64_t v) { return std::to_string(v); }

const Reader kDWORD = [](TJustMemoryStream& s) { return Num(s.ReadDWORD()); };
const Reader kInteger = [](TJustMemoryStream& s) { return Num(s.ReadInteger()); };
const Reader kSmall = [](TJustMemoryStream& s) { return Num(s.ReadSmallInteger()); };
const Reader kByte = [](TJustMemoryStream& s) { return Num(s.ReadByte()); };
const Reader kString = [](TJustMemoryStream& s) { return s.ReadString(); };
const Reader kSmallString = [](TJustMemoryStream& s) { return s.ReadSmallIntString(); };
const Reader kByteString = [](TJustMemoryStream& s) { return s.ReadByteString(); };
Reader DString(int32_t len) {
  return [len](TJustMemoryStream& s) { return s.ReadDString(len); };
}
const Reader kStringList = [](TJustMemoryStream& s) {
  std::string joined;
  for (const std::string& item : s.ReadStringList()) joined += "[" + item + "]";
  return joined;
};

TEST(StreamReaders, DecodeAndConsumeExactlyTheirBytes) {
  const std::vector<ReaderCase> cases = {
      {"dword unsigned", {0xFE, 0xFF, 0xFF, 0xFF}, kDWORD, "4294967294", 4},
      {"integer signed", {0xFE, 0xFF, 0xFF, 0xFF}, kInteger, "-2", 4},
      {"integer little-endian", {0x78, 0x56, 0x34, 0x12, 0x99}, kInteger, "305419896", 4},
      {"smallint signed", {0xFE, 0xFF}, kSmall, "-2", 2},
      {"byte", {0xFF, 0x01}, kByte, "255", 1},
      {"string", {3, 0, 0, 0, 'A', 'B', 'C'}, kString, "ABC", 7},
      {"string empty", {0, 0, 0, 0, 'x'}, kString, "", 4},
      {"string length 2^32-1 reads nothing", {0xFF, 0xFF, 0xFF, 0xFF, 'x'}, kString, "", 4},
      {"string length 2^31 reads nothing", {0, 0, 0, 0x80, 'x'}, kString, "", 4},
      {"string keeps zero bytes", {3, 0, 0, 0, 'a', 0, 'b'}, kString, std::string("a\0b", 3), 7},
      {"string high bytes via code page", {3, 0, 0, 0, 0x80, 0xE4, 0x81}, kString,
       "\u20AC\u00E4\u0081", 7},
      {"smallint string", {2, 0, 'h', 'i'}, kSmallString, "hi", 4},
      {"smallint string negative length", {0xFF, 0xFF, 'x'}, kSmallString, "", 2},
      {"dstring", {'a', 'b', 'c'}, DString(2), "ab", 2},
      {"dstring negative length", {'a'}, DString(-3), "", 0},
      {"string list one item", {1, 0, 0, 0, 'a', 0, 0, 0, 0}, kStringList, "[a]", 5},
      {"string list two items", {1, 0, 0, 0, 'a', 2, 0, 0, 0, 'b', 'c', 0, 0, 0, 0}, kStringList,
       "[a][bc]", 11},
      {"string list empty", {0, 0, 0, 0}, kStringList, "", 0},
      {"string list with huge length item", {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}, kStringList, "[]", 4},
      // Failures: the position has moved over the bytes that were there.
      {"dword short", {1, 2, 3}, kDWORD, "", 3, true},
      {"smallint at end", {}, kSmall, "", 0, true},
      {"byte at end", {}, kByte, "", 0, true},
      {"string body short", {5, 0, 0, 0, 'a', 'b'}, kString, "", 6, true},
      {"string huge length on tiny stream", {0xFF, 0xFF, 0xFF, 0x7F, 'a'}, kString, "", 5, true},
      {"byte string reads 255 chars", Bytes{0xFF} /* then too few */, kByteString, "", 1, true},
      {"string list without terminator", {1, 0, 0, 0, 'a'}, kStringList, "", 5, true},
  };
  for (const ReaderCase& c : cases) {
    SCOPED_TRACE(c.name);
    TJustMemoryStream s;
    Fill(s, c.input);
    if (c.fails) {
      try {
        c.read(s);
        ADD_FAILURE() << "no failure";
      } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "Stream-Lesefehler");
      }
    } else {
      EXPECT_EQ(c.read(s), c.expected);
    }
    EXPECT_EQ(s.Position(), c.consumed);
  }
}

TEST(StreamReaders, ByteStringReadsUpTo255Characters) {
  TJustMemoryStream s;
  Bytes bytes{0xFF};
  bytes.insert(bytes.end(), 256, 'z');
  Fill(s, bytes);
  EXPECT_EQ(s.ReadByteString(), std::string(255, 'z'));
  EXPECT_EQ(s.Position(), 256);
}

TEST(StreamReaders, FloatsAreIeeeLittleEndian) {
  TempDir dir;
  WriteFileBytes(dir / "f", {0x00, 0x00, 0xC0, 0x3F, 0, 0, 0, 0, 0, 0, 0x04, 0xC0});
  TJustFileStream f((dir / "f").string());
  EXPECT_EQ(f.ReadSingle(), 1.5f);
  EXPECT_EQ(f.ReadDouble(), -2.5);
  EXPECT_THROW(f.ReadSingle(), EReadError);
}

TEST(StreamReaders, FileStreamNStringStopsAfterTheZeroByte) {
  TempDir dir;
  WriteFileBytes(dir / "f", {'A', 'B', 0, 'C', 3, 0, 0, 0, 'x', 'y', 'z', 'Q'});
  TJustFileStream f((dir / "f").string());
  EXPECT_EQ(f.ReadNString(), std::string("AB\0", 3));
  EXPECT_EQ(f.Position(), 3);
  EXPECT_EQ(f.ReadByte(), 'C');
  EXPECT_EQ(f.ReadString(), "xyz");
  EXPECT_THROW(f.ReadNString(), EReadError);  // no zero byte before the end
  EXPECT_EQ(f.Position(), 12);
}

TEST(StreamReaders, HugeStringLengthOnFileFailsWithoutReservingIt) {
  TempDir dir;
  WriteFileBytes(dir / "f", {0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b'});
  TJustFileStream f((dir / "f").string());
  EXPECT_THROW(f.ReadString(), EReadError);
  EXPECT_EQ(f.Position(), 6);
}

std::string Dump(const Bytes& bytes, uint32_t range, int64_t* consumed = nullptr) {
  TJustMemoryStream s;
  Fill(s, bytes);
  std::FILE* out = std::tmpfile();
  s.DumpData(range, out);
  if (consumed) *consumed = s.Position();
  std::rewind(out);
  std::string text;
  for (int c; (c = std::fgetc(out)) != EOF;) text.push_back(static_cast<char>(c));
  std::fclose(out);
  return text;
}

TEST(StreamReaders, DumpDataWritesHexPiecesAndOneLineFeed) {
  int64_t consumed = 0;
  EXPECT_EQ(Dump({0x00, 0x1F, 0xAB, 0x55}, 3, &consumed), "00  1F  AB  \n");
  EXPECT_EQ(consumed, 3);
  EXPECT_EQ(Dump({0x01}, 0), "\n");
  EXPECT_EQ(Dump({0x01}, 0x80000000u, &consumed), "\n");
  EXPECT_EQ(consumed, 0);
  EXPECT_THROW(Dump({0x01}, 2), EReadError);
}

TEST(StreamReaders, DumpDataReportsOutputFailure) {
  TJustMemoryStream s;
  Fill(s, {0x01});
  std::FILE* readOnly = std::fopen("/dev/null", "r");
  ASSERT_NE(readOnly, nullptr);
  EXPECT_THROW(s.DumpData(1, readOnly), EInOutError);
  std::fclose(readOnly);
}

}  // namespace
