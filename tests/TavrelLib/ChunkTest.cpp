// The data region: stored and compressed chunks, InflateChunk and its reports.
#include <gtest/gtest.h>
#include <zlib.h>

#include "ArchiveTestSupport.h"
#include "Exceptions.h"
#include "TavrelLib_Stages.h"

using namespace archive_test;
using sdsmaker::Bytes;
using sdsmaker::CompressedChunk;
using sdsmaker::StoredChunk;
using sdsmaker::Zlib;

namespace {

const std::string kReadError = "Stream-Lesefehler";

std::string Decompression(const std::string& message) {
  return Report("Decompression Error. (" + message + ")", 57);
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Int32(int32_t v) {
  Bytes b;
  sdsmaker::AppendInt32(b, v);
  return b;
}

// A compressed chunk with a hand-set header length H and length L.
Bytes RawCompressed(int32_t length, int16_t headerLength, const Bytes& rest) {
  Bytes b = Int32(length);
  b.push_back(1);
  sdsmaker::AppendInt32(b, 0);
  sdsmaker::AppendInt16(b, headerLength);
  b.insert(b.end(), rest.begin(), rest.end());
  return b;
}

Bytes WithDictionary(const Bytes& content) {
  z_stream zs{};
  deflateInit(&zs, 6);
  const Bytes dict = Text("dictionary");
  deflateSetDictionary(&zs, dict.data(), static_cast<uInt>(dict.size()));
  Bytes out(256);
  zs.next_in = const_cast<Bytef*>(content.data());
  zs.avail_in = static_cast<uInt>(content.size());
  zs.next_out = out.data();
  zs.avail_out = static_cast<uInt>(out.size());
  deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

std::unique_ptr<Opened> OpenChain(const Bytes& chain, bool endMark = true) {
  sdsmaker::Archive a;
  a.chunkChain = chain;
  a.endMark = endMark;
  a.resCount = 0;
  return OpenBytes(sdsmaker::Build(a).file);
}

Bytes Decomp(Opened& o) {
  TJustMemoryStream& d = o.sds->decomp;
  return Bytes(d.Memory(), d.Memory() + d.Size());
}

TEST(Chunks, BuildTheResourceStream) {
  const Bytes hello = Text("hello"), abc = Text("abc"), defg = Text("defg");
  const Bytes random = {0x9C, 0x11, 0xF0, 0x42, 0x07, 0xD3, 0x5A, 0xE1, 0x38, 0x6B};
  Bytes truncated = Zlib(Text(std::string(5000, 'q')), 1);
  truncated.resize(truncated.size() / 2);
  struct Case {
    const char* name;
    Bytes chain;
    Bytes expected;
  } cases[] = {
      {"no chunks", {}, {}},
      {"stored, flag 0", StoredChunk(hello, 0), hello},
      {"stored, flag 2", StoredChunk(hello, 2), hello},
      {"stored, flag 255", StoredChunk(hello, 255), hello},
      {"two stored chunks in order", Cat({StoredChunk(abc), StoredChunk(defg)}), Text("abcdefg")},
      {"compressed, H = 6", CompressedChunk(Zlib(hello)), hello},
      {"compressed, H = 10 skips 4 characters", CompressedChunk(Zlib(hello), "\x01\x02\x80Z"), hello},
      {"compressed, empty payload (L = H)", CompressedChunk({}, "text"), {}},
      {"inflated shorter than payload", CompressedChunk(Zlib(random, 9)), random},
      {"bytes after the zlib stream ignored", CompressedChunk(Cat({Zlib(abc), Text("trailing junk")})), abc},
      {"truncated zlib stream keeps what inflated", CompressedChunk(truncated), Bytes()},  // checked below
      {"stored and compressed mixed", Cat({CompressedChunk(Zlib(abc)), StoredChunk(defg, 0), CompressedChunk(Zlib(hello))}),
       Text("abcdefghello")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto opened = OpenChain(c.chain);
    ASSERT_TRUE(opened->ok()) << opened->error;
    const Bytes got = Decomp(*opened);
    if (std::string(c.name).rfind("truncated", 0) == 0) {
      EXPECT_GT(got.size(), 0u);
      EXPECT_LT(got.size(), 5000u);
      EXPECT_EQ(got, Bytes(got.size(), 'q'));
    } else {
      EXPECT_EQ(got, c.expected);
    }
    EXPECT_EQ(opened->sds->decomp.Position(), 0);
  }
}

TEST(Chunks, FailBrokenChainsWithTheirReports) {
  const Bytes abc = Text("abc");
  Bytes badAdler = Zlib(abc);
  badAdler.back() ^= 0xFF;
  struct Case {
    const char* name;
    Bytes chain;
    bool endMark;
    std::string error;
  } cases[] = {
      {"payload not zlib", CompressedChunk(Text("plain text")), true, Decompression("data error")},
      {"wrong Adler-32", CompressedChunk(badAdler), true, Decompression("data error")},
      {"preset dictionary", CompressedChunk(WithDictionary(abc)), true, Decompression("need dictionary")},
      {"no end mark", StoredChunk(abc), false, kReadError},
      {"stored body short", Cat({Int32(10), Bytes{0}, abc}), false, kReadError},
      {"stored length huge", Cat({Int32(0x7FFFFFFF), Bytes{0}, abc}), false, kReadError},
      {"compressed payload short", RawCompressed(0x7FFFFFF0, 6, Zlib(abc)), false, kReadError},
      {"negative length", Cat({StoredChunk(abc), Int32(-9), Bytes{0}}), true,
       Report("Data chunk at 97 has a negative length (-9)", 126)},
      {"header length below 6", RawCompressed(20, 5, Bytes(14, 0)), true,
       Report("Compressed data chunk at 89 has a header length of 5 outside 6..20", 131)},
      {"header length negative", RawCompressed(20, -2, Bytes(14, 0)), true,
       Report("Compressed data chunk at 89 has a header length of -2 outside 6..20", 131)},
      {"header length beyond L", RawCompressed(8, 12, Bytes(6, 0)), true,
       Report("Compressed data chunk at 89 has a header length of 12 outside 6..8", 131)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(OpenChain(c.chain, c.endMark)->error, c.error);
  }
}

TEST(Chunks, DecompFailureKeepsEarlierChunks) {
  const auto opened = OpenChain(Cat({StoredChunk(Text("kept")), CompressedChunk(Text("garbage"))}));
  EXPECT_EQ(opened->error, Decompression("data error"));
  EXPECT_EQ(Decomp(*opened), Text("kept"));
  EXPECT_EQ(opened->sds->data, nullptr);
}

TEST(InflateChunk, ReplacesTheBufferOrReports) {
  const Bytes content = Text(std::string(3000, 'x') + "end");
  struct Case {
    const char* name;
    Bytes buffer;
    Bytes expected;
    std::string error;
  } cases[] = {
      {"inflates", Zlib(content), content, ""},
      {"empty buffer", {}, {}, ""},
      {"wrong header", Text("xyz"), {}, Decompression("data error")},
      {"preset dictionary", WithDictionary(content), {}, Decompression("need dictionary")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TJustMemoryStream buffer;
    buffer.WriteBuffer(c.buffer.data(), static_cast<int64_t>(c.buffer.size()));
    try {
      InflateChunk(buffer);
      EXPECT_EQ(c.error, "");
      EXPECT_EQ(Bytes(buffer.Memory(), buffer.Memory() + buffer.Size()), c.expected);
    } catch (const EAssertionFailed& e) {
      EXPECT_EQ(e.what(), c.error);
    }
  }
}

// The resource stream's cap (2^31 - 1 bytes) is the same check with a larger limit.
TEST(InflateChunk, StopsABombAtTheLimit) {
  const Bytes bomb = Zlib(Bytes(2 << 20, 0), 9);  // 2 MiB of zeros in a few KiB
  TMemoryStream out;
  try {
    tavrel::InflateAppend(bomb.data(), static_cast<int64_t>(bomb.size()), out, 600000);
    ADD_FAILURE() << "no failure";
  } catch (const EAssertionFailed& e) {
    EXPECT_STREQ(e.what(), Decompression("insufficient memory").c_str());
  }
  EXPECT_LE(out.Size(), 600000);
}

}  // namespace
