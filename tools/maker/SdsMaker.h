// Builds SDS archives from a description, and reports where it put everything:
// tests compare a reader's results with what the maker knows it wrote.
//
// Text fields that end up in the resource stream (Sound/MemFile names, a Script's
// folder, sub-script file names) are stored bytes, one byte per character; the
// descriptor fields (type word, source) are UTF-8 and go into UTF-8 XML.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sdsmaker {

using Bytes = std::vector<uint8_t>;

struct SubScript {
  std::string filename;  // stored bytes
  Bytes data;
  std::optional<int32_t> storedSize;  // the filesize written; default data.size()
};

struct Resource {
  std::string typeName;  // the type word; also picks the type header
  std::string source;    // SourceDataDescription
  Bytes data;            // the resource's own bytes (after type header and sub-scripts)
  std::string headerName;               // Sound/MemFile name, Script folder (stored bytes)
  std::vector<SubScript> subScripts;    // Script records only (at most 255)
  std::optional<Bytes> typeHeader;      // written instead of the generated type header
  std::optional<int32_t> recordSize;    // the S written; default the record's true length
};

// How the resource stream is cut into data chunks.
struct Chunking {
  std::vector<int64_t> sizes{65536};       // content bytes per chunk, used in turn
  std::vector<bool> compressed{true};      // per chunk, used in turn
  int level = 6;                           // zlib level of compressed chunks
  std::string headerText;                  // the compressed-chunk header's text (H - 6 bytes)
  uint8_t storedFlag = 0;                  // any value but 1 marks a stored chunk
};

struct TypeRow {
  std::string name;  // stored bytes
  int32_t value1 = 0;
  int32_t value2 = 0;
};

struct Archive {
  std::vector<Resource> resources;
  std::vector<TypeRow> typeTable;
  Chunking chunking;
  // Raw parts written instead of the generated ones.
  std::optional<std::string> descriptor;  // the descriptor's bytes
  std::optional<Bytes> resourceStream;    // the content of the chunks
  std::optional<Bytes> chunkChain;        // the chunks themselves (without preamble and end mark)
  bool endMark = true;                    // the zero length that ends the chain
  // Header fields written instead of the true values.
  std::optional<int32_t> magic, dataOffset, xmlDataOffset, resCount, numFlags;
};

// One entry as a reader must produce it.
struct ExpectedEntry {
  std::string typeName;  // UTF-8
  std::string source;    // UTF-8
  int32_t start = 0;
  int32_t size = 0;
};

struct Built {
  Bytes file;
  Bytes resourceStream;
  int64_t dataOffset = 0;
  int64_t xmlDataOffset = 0;
  std::vector<int64_t> chunkOffsets;  // file offsets of each chunk's length word
  std::vector<ExpectedEntry> entries;          // type headers skipped
  std::vector<ExpectedEntry> entriesKeepHeader;  // type headers kept

  const std::vector<ExpectedEntry>& Entries(bool keepheader) const {
    return keepheader ? entriesKeepHeader : entries;
  }
  // The bytes of an expected entry (an empty vector when its range is invalid).
  Bytes EntryBytes(const ExpectedEntry& e) const;
};

Built Build(const Archive& archive);

// ---- Pieces, for tests that craft archives by hand --------------------------
Bytes Zlib(const Bytes& content, int level = 6);
Bytes StoredChunk(const Bytes& content, uint8_t flag = 0);
// A compressed chunk around an already made payload (a zlib stream or anything).
Bytes CompressedChunk(const Bytes& payload, const std::string& headerText = "");
// The generated type header of a resource (empty for types without one).
Bytes TypeHeader(const Resource& resource);
// The descriptor the maker writes for these resources.
std::string DescriptorXml(const std::vector<Resource>& resources);
// Escapes &, <, > and quotes for XML character data.
std::string XmlEscape(const std::string& text);

void AppendInt32(Bytes& out, int32_t value);
void AppendInt16(Bytes& out, int16_t value);
void AppendText(Bytes& out, const std::string& text);

// Writes the bytes to a file; throws on failure.
void WriteBytes(const std::string& path, const Bytes& bytes);

}  // namespace sdsmaker
