// Records of the archive file: the header, the type-table rows and the type headers
// that precede a resource's own bytes in the resource stream.
#pragma once

#include <cstdint>
#include <string>

#include "FileStream.h"

// The 80-byte header at the start of the archive; every field is read as stored.
struct TIEFile_Header {
  int32_t magic;
  int32_t version;
  int32_t system;
  int32_t head_signature;
  int32_t flags_offset;
  int32_t data_offset;
  int32_t xml_data_offset;
  int32_t t_ram;
  int32_t t_vram;
  int32_t o_ram;
  int32_t o_vram;
  int32_t unk3;
  uint8_t unk_arr[16];
  int32_t res_count;
  int32_t res_signature;
  int32_t num_flags;
  int32_t unk4;
};

constexpr int kHeaderSize = 80;
constexpr int32_t kSdsMagic = 0x00534453;  // "SDS\0"

// Decodes the header from its 80 stored bytes (little-endian, field by field).
TIEFile_Header DecodeHeader(const uint8_t (&bytes)[kHeaderSize]);

// One row of the type table.
struct TIEFile_Flag {
  std::string name;
  int32_t value1 = 0;
  int32_t value2 = 0;
};

TIEFile_Flag ReadFlag(TJustFileStream& s);

// ---- Type headers ----------------------------------------------------------
// Only NumberOfFiles, filename and filesize are used; the other values are read
// so the stream moves past them.

struct TIEResType_Sound {
  int32_t u1 = 0, u2 = 0, u3 = 0, u4 = 0, u5 = 0;
  std::string name;  // 1-byte length
  int32_t u6 = 0;
};

struct TIEResType_MemFile {
  int32_t u1 = 0, u2 = 0, u3 = 0, u4 = 0, u5 = 0;
  std::string name;  // 4-byte length
  int32_t u6 = 0;
  int32_t length = 0;
};

struct TIEResType_RAMInfo {
  int32_t RAM = 0, VRAM = 0, OtherRAM = 0, OtherVRAM = 0;
};

struct TIEResType_Script {
  TIEResType_RAMInfo RamInfo;
  uint32_t Filesize2 = 0;
  std::string folder;  // 2-byte signed length
  uint8_t NumberOfFiles = 0;
  uint8_t EndHeader[3] = {};
};

// The head of one sub-script inside a Script record; its filesize bytes follow.
struct TIEResType_Script_Entry {
  uint8_t hash[16] = {};
  std::string filename;  // 2-byte signed length
  int32_t filesize = 0;
};

// The three fixed-size type headers are raw blocks nobody interprets.
constexpr int kTextureHeaderSize = 30;
constexpr int kMipmapHeaderSize = 29;
constexpr int kVertexBufferPoolHeaderSize = 29;

TIEResType_Sound ReadSoundHeader(TJustMemoryStream& s);
TIEResType_MemFile ReadMemFileHeader(TJustMemoryStream& s);
TIEResType_Script ReadScriptHeader(TJustMemoryStream& s);
TIEResType_Script_Entry ReadScriptEntry(TJustMemoryStream& s);
// Reads and drops a raw block of the given size.
void SkipRawHeader(TJustMemoryStream& s, int size);
