#include "RandomArchive.h"

namespace testing_support {

using sdsmaker::Archive;
using sdsmaker::Bytes;
using sdsmaker::Resource;

Archive RandomArchive::Make() {
  Archive a;
  const int count = Pick(0, 12);
  for (int i = 0; i < count; ++i) a.resources.push_back(MakeResource());
  for (int i = Pick(0, 3); i > 0; --i) a.typeTable.push_back({Word(), Pick(-5, 5), Pick(0, 99)});
  // Chunk sizes from 1 byte up: boundaries fall inside record heads, type headers and sub-scripts.
  a.chunking.sizes.clear();
  for (int i = Pick(1, 4); i > 0; --i) a.chunking.sizes.push_back(Pick(1, 3) == 1 ? Pick(1, 7) : Pick(8, 400));
  a.chunking.compressed.clear();
  for (int i = Pick(1, 3); i > 0; --i) a.chunking.compressed.push_back(Pick(0, 1) == 1);
  a.chunking.level = Pick(0, 9);
  a.chunking.headerText = Text(Pick(0, 5));
  a.chunking.storedFlag = static_cast<uint8_t>(Pick(0, 1) ? 0 : Pick(2, 255));
  return a;
}

int RandomArchive::Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

std::string RandomArchive::Text(int length, bool anyByte) {
  std::string s;
  for (int i = 0; i < length; ++i) s.push_back(static_cast<char>(anyByte ? Pick(1, 255) : Pick('a', 'z')));
  return s;
}

std::string RandomArchive::Word() { return Text(Pick(0, 8)); }

Bytes RandomArchive::Data(int maxLength) {
  Bytes b(static_cast<size_t>(Pick(0, maxLength)));
  for (uint8_t& x : b) x = static_cast<uint8_t>(Pick(0, 3) ? Pick(0, 255) : 'z');
  return b;
}

std::string RandomArchive::Source(const std::string& type) {
  switch (Pick(0, 5)) {
    case 0: return "not available";
    case 1: return "";
    case 2: return "C:\\data\\" + Text(Pick(1, 6)) + "." + type;
    case 3: return "/r\xC3\xA9s/" + Text(Pick(1, 6));  // UTF-8 in the descriptor
    default: return "/" + Text(Pick(1, 4)) + "/" + Text(Pick(1, 8)) + ".bin";
  }
}

Resource RandomArchive::MakeResource() {
  static const char* const kTypes[] = {"Texture", "Mipmap", "VertexBufferPool", "Sound", "MemFile",
                                       "Script",  "XML",    "Effects",          "Texture2", ""};
  Resource r;
  r.typeName = kTypes[Pick(0, 9)];
  r.source = Source(r.typeName);
  r.data = Data(r.typeName == "Script" ? 4 : 300);
  r.headerName = Text(Pick(0, 12), true);  // stored bytes: the whole code page
  if (r.typeName == "Script") {
    for (int i = Pick(0, 4); i > 0; --i) r.subScripts.push_back({Text(Pick(0, 10), true), Data(120), {}});
  }
  return r;
}

}  // namespace testing_support
