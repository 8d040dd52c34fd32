// Records of the archive file: the header, the type-table rows and the type headers.
#pragma once

#include <cstdint>
#include <string>

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

// One row of the type table.
struct TIEFile_Flag {
  std::string name;
  int32_t value1 = 0;
  int32_t value2 = 0;
};
