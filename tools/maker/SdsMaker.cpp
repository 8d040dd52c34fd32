#include "SdsMaker.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "CodePage.h"

namespace sdsmaker {

namespace {

constexpr int32_t kMagic = 0x00534453;
constexpr int kHeaderSize = 80;
constexpr int kRecordHead = 10;

void PutInt32At(Bytes& out, size_t at, int32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
}

void AppendBytes(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

bool HasTypeHeader(const std::string& typeName) {
  static const char* const kTypes[] = {"Texture", "Mipmap", "VertexBufferPool", "Sound", "MemFile", "Script"};
  return std::any_of(std::begin(kTypes), std::end(kTypes), [&](const char* t) { return typeName == t; });
}

// Recognisable filler for the raw type headers nobody interprets.
Bytes RawBlock(size_t size, uint8_t seed) {
  Bytes block(size);
  for (size_t i = 0; i < size; ++i) block[i] = static_cast<uint8_t>(seed + 7 * i);
  return block;
}

Bytes SubScriptHead(const SubScript& sub) {
  Bytes head;
  // A stand-in for the 128-bit hash: FNV-1a of the content, repeated.
  uint32_t hash = 2166136261u;
  for (uint8_t b : sub.data) hash = (hash ^ b) * 16777619u;
  for (int i = 0; i < 4; ++i) AppendInt32(head, static_cast<int32_t>(hash + i));
  AppendInt16(head, static_cast<int16_t>(sub.filename.size()));
  AppendText(head, sub.filename);
  AppendInt32(head, sub.storedSize.value_or(static_cast<int32_t>(sub.data.size())));
  return head;
}

// Everything a record holds after its 10-byte head, and how many of those
// bytes a header-skipping reader consumes before the entry's own bytes.
struct RecordBody {
  Bytes bytes;
  int64_t headerBytes = 0;
  std::vector<std::pair<int64_t, const SubScript*>> subScripts;  // offset of each sub-script's content
};

RecordBody MakeRecordBody(const Resource& r) {
  RecordBody body;
  body.bytes = r.typeHeader.value_or(TypeHeader(r));
  if (r.typeName == "Script") {
    for (const SubScript& sub : r.subScripts) {
      AppendBytes(body.bytes, SubScriptHead(sub));
      body.subScripts.emplace_back(static_cast<int64_t>(body.bytes.size()), &sub);
      AppendBytes(body.bytes, sub.data);
    }
  }
  body.headerBytes = HasTypeHeader(r.typeName) ? static_cast<int64_t>(body.bytes.size()) : 0;
  AppendBytes(body.bytes, r.data);
  return body;
}

struct Stream {
  Bytes bytes;
  std::vector<ExpectedEntry> entries, entriesKeep, subEntries;
};

Stream MakeResourceStream(const Archive& a) {
  Stream s;
  const int32_t records = a.resCount.value_or(static_cast<int32_t>(a.resources.size()));
  for (size_t k = 0; k < a.resources.size(); ++k) {
    const Resource& r = a.resources[k];
    ExpectedEntry plain{r.typeName, r.source, 0, 0};
    ExpectedEntry keep = plain;
    const RecordBody body = MakeRecordBody(r);
    const int64_t p = static_cast<int64_t>(s.bytes.size()) + kRecordHead;
    const int32_t recordSize = r.recordSize.value_or(static_cast<int32_t>(kRecordHead + body.bytes.size()));
    const int64_t b = static_cast<int64_t>(recordSize) - kRecordHead;
    if (static_cast<int64_t>(k) < records) {
      plain.start = static_cast<int32_t>(p + body.headerBytes);
      plain.size = static_cast<int32_t>(b - body.headerBytes);
      keep.start = static_cast<int32_t>(p);
      keep.size = static_cast<int32_t>(b);
      for (const auto& [offset, sub] : body.subScripts) {
        s.subEntries.push_back({"SubScript", AnsiToUtf8(sub->filename.data(), sub->filename.size()),
                                static_cast<int32_t>(p + offset),
                                sub->storedSize.value_or(static_cast<int32_t>(sub->data.size()))});
      }
    }
    s.entries.push_back(plain);
    s.entriesKeep.push_back(keep);
    AppendInt32(s.bytes, static_cast<int32_t>(0x5EC0000 + k));  // not used by readers
    AppendInt32(s.bytes, recordSize);
    AppendInt16(s.bytes, 0x0101);  // not used by readers
    AppendBytes(s.bytes, body.bytes);
  }
  s.entries.insert(s.entries.end(), s.subEntries.begin(), s.subEntries.end());
  return s;
}

Bytes MakeChunkChain(const Bytes& stream, const Chunking& c, int64_t chainAt, std::vector<int64_t>& offsets) {
  Bytes chain;
  size_t done = 0;
  for (size_t i = 0; done < stream.size(); ++i) {
    const int64_t want = c.sizes.empty() ? 65536 : std::max<int64_t>(1, c.sizes[i % c.sizes.size()]);
    const size_t n = std::min<size_t>(static_cast<size_t>(want), stream.size() - done);
    const Bytes content(stream.begin() + static_cast<ptrdiff_t>(done),
                        stream.begin() + static_cast<ptrdiff_t>(done + n));
    const bool compress = c.compressed.empty() || c.compressed[i % c.compressed.size()];
    offsets.push_back(chainAt + static_cast<int64_t>(chain.size()));
    AppendBytes(chain, compress ? CompressedChunk(Zlib(content, c.level), c.headerText)
                                : StoredChunk(content, c.storedFlag));
    done += n;
  }
  return chain;
}

}  // namespace

void AppendInt32(Bytes& out, int32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i)));
}

void AppendInt16(Bytes& out, int16_t value) {
  out.push_back(static_cast<uint8_t>(value & 0xFF));
  out.push_back(static_cast<uint8_t>((static_cast<uint16_t>(value) >> 8) & 0xFF));
}

void AppendText(Bytes& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

Bytes Zlib(const Bytes& content, int level) {
  uLongf size = compressBound(static_cast<uLong>(content.size()));
  Bytes out(size);
  if (compress2(out.data(), &size, content.data(), static_cast<uLong>(content.size()), level) != Z_OK) {
    throw std::runtime_error("compress2 failed");
  }
  out.resize(size);
  return out;
}

Bytes StoredChunk(const Bytes& content, uint8_t flag) {
  Bytes chunk;
  AppendInt32(chunk, static_cast<int32_t>(content.size()));
  chunk.push_back(flag);
  AppendBytes(chunk, content);
  return chunk;
}

Bytes CompressedChunk(const Bytes& payload, const std::string& headerText) {
  const int16_t headerLength = static_cast<int16_t>(6 + headerText.size());
  Bytes chunk;
  AppendInt32(chunk, static_cast<int32_t>(headerLength + payload.size()));
  chunk.push_back(1);
  AppendInt32(chunk, 0x00C0FFEE);  // not used by readers
  AppendInt16(chunk, headerLength);
  AppendText(chunk, headerText);
  AppendBytes(chunk, payload);
  return chunk;
}

Bytes TypeHeader(const Resource& r) {
  const std::string& t = r.typeName;
  if (t == "Texture") return RawBlock(30, 0x30);
  if (t == "Mipmap") return RawBlock(29, 0x40);
  if (t == "VertexBufferPool") return RawBlock(29, 0x50);
  Bytes h;
  if (t == "Sound") {
    if (r.headerName.size() > 255) throw std::invalid_argument("Sound name longer than 255 bytes");
    for (int32_t v : {44100, 16, 2, 0, static_cast<int32_t>(r.data.size())}) AppendInt32(h, v);
    h.push_back(static_cast<uint8_t>(r.headerName.size()));
    AppendText(h, r.headerName);
    AppendInt32(h, 1);
  } else if (t == "MemFile") {
    for (int32_t v : {1, 2, 3, 4, 5}) AppendInt32(h, v);
    AppendInt32(h, static_cast<int32_t>(r.headerName.size()));
    AppendText(h, r.headerName);
    AppendInt32(h, 6);
    AppendInt32(h, static_cast<int32_t>(r.data.size()));
  } else if (t == "Script") {
    if (r.subScripts.size() > 255) throw std::invalid_argument("more than 255 sub-scripts");
    int64_t total = 0;
    for (const SubScript& s : r.subScripts) total += static_cast<int64_t>(s.data.size());
    for (int32_t v : {4096, 0, 512, 0}) AppendInt32(h, v);  // RAM, VRAM, other RAM, other VRAM
    AppendInt32(h, static_cast<int32_t>(total));
    AppendInt16(h, static_cast<int16_t>(r.headerName.size()));
    AppendText(h, r.headerName);
    h.push_back(static_cast<uint8_t>(r.subScripts.size()));
    h.insert(h.end(), 3, 0);
  }
  return h;
}

std::string XmlEscape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string DescriptorXml(const std::vector<Resource>& resources) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Resources>\n";
  for (size_t i = 0; i < resources.size(); ++i) {
    // Slot is one of the child elements readers ignore.
    xml += "  <ResourceEntry>\n    <TypeName>" + XmlEscape(resources[i].typeName) +
           "</TypeName>\n    <SourceDataDescription>" + XmlEscape(resources[i].source) +
           "</SourceDataDescription>\n    <Slot>" + std::to_string(i) + "</Slot>\n  </ResourceEntry>\n";
  }
  return xml + "</Resources>\n";
}

Built Build(const Archive& a) {
  Built built;
  Stream stream = MakeResourceStream(a);
  built.resourceStream = a.resourceStream ? *a.resourceStream : std::move(stream.bytes);
  built.entries = std::move(stream.entries);
  built.entriesKeepHeader = std::move(stream.entriesKeep);

  Bytes& f = built.file;
  f.assign(kHeaderSize, 0);
  for (const TypeRow& row : a.typeTable) {
    AppendInt32(f, static_cast<int32_t>(row.name.size()));
    AppendText(f, row.name);
    AppendInt32(f, row.value1);
    AppendInt32(f, row.value2);
  }
  built.dataOffset = static_cast<int64_t>(f.size());
  AppendInt32(f, static_cast<int32_t>(built.resourceStream.size()));  // the preamble, not used by readers
  AppendInt32(f, 0);
  f.push_back(0);
  const int64_t chainAt = static_cast<int64_t>(f.size());
  AppendBytes(f, a.chunkChain ? *a.chunkChain
                              : MakeChunkChain(built.resourceStream, a.chunking, chainAt, built.chunkOffsets));
  if (a.endMark) AppendInt32(f, 0);
  built.xmlDataOffset = static_cast<int64_t>(f.size());
  AppendText(f, a.descriptor.value_or(DescriptorXml(a.resources)));

  const int32_t fields[20] = {
      a.magic.value_or(kMagic),
      19,  // version
      0,   // system
      0x48454144,
      kHeaderSize,  // flags_offset
      a.dataOffset.value_or(static_cast<int32_t>(built.dataOffset)),
      a.xmlDataOffset.value_or(static_cast<int32_t>(built.xmlDataOffset)),
      0, 0, 0, 0, 0,                  // t_ram, t_vram, o_ram, o_vram, unk3
      0, 0, 0, 0,                     // unk_arr
      a.resCount.value_or(static_cast<int32_t>(a.resources.size())),
      0x52455321,  // res_signature
      a.numFlags.value_or(static_cast<int32_t>(a.typeTable.size())),
      0,
  };
  for (int i = 0; i < 20; ++i) PutInt32At(f, static_cast<size_t>(4 * i), fields[i]);
  return built;
}

Bytes Built::EntryBytes(const ExpectedEntry& e) const {
  if (e.start < 0 || e.size < 0 || static_cast<int64_t>(e.start) + e.size > static_cast<int64_t>(resourceStream.size())) {
    return {};
  }
  return Bytes(resourceStream.begin() + e.start, resourceStream.begin() + e.start + e.size);
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!out || (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), out.get()) != bytes.size())) {
    throw std::runtime_error("cannot write " + path);
  }
  if (std::fclose(out.release()) != 0) throw std::runtime_error("cannot write " + path);
}

}  // namespace sdsmaker
