#include "TavrelLib_Records.h"

#include <cassert>
#include <cstring>
#include <initializer_list>

namespace {

int32_t Int32At(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

void ReadInts(TJustMemoryStream& s, std::initializer_list<int32_t*> fields) {
  for (int32_t* field : fields) *field = s.ReadInteger();
}

}  // namespace

TIEFile_Header DecodeHeader(const uint8_t (&bytes)[kHeaderSize]) {
  TIEFile_Header h{};
  int32_t* const before[] = {&h.magic,      &h.version,     &h.system,          &h.head_signature,
                             &h.flags_offset, &h.data_offset, &h.xml_data_offset, &h.t_ram,
                             &h.t_vram,     &h.o_ram,       &h.o_vram,          &h.unk3};
  int offset = 0;
  for (int32_t* field : before) {
    *field = Int32At(bytes + offset);
    offset += 4;
  }
  std::memcpy(h.unk_arr, bytes + offset, sizeof h.unk_arr);
  offset += sizeof h.unk_arr;
  for (int32_t* field : {&h.res_count, &h.res_signature, &h.num_flags, &h.unk4}) {
    *field = Int32At(bytes + offset);
    offset += 4;
  }
  return h;
}

TIEFile_Flag ReadFlag(TJustFileStream& s) {
  TIEFile_Flag flag;
  flag.name = s.ReadString();
  flag.value1 = s.ReadInteger();
  flag.value2 = s.ReadInteger();
  return flag;
}

TIEResType_Sound ReadSoundHeader(TJustMemoryStream& s) {
  TIEResType_Sound h;
  ReadInts(s, {&h.u1, &h.u2, &h.u3, &h.u4, &h.u5});
  h.name = s.ReadByteString();
  h.u6 = s.ReadInteger();
  return h;
}

TIEResType_MemFile ReadMemFileHeader(TJustMemoryStream& s) {
  TIEResType_MemFile h;
  ReadInts(s, {&h.u1, &h.u2, &h.u3, &h.u4, &h.u5});
  h.name = s.ReadString();
  h.u6 = s.ReadInteger();
  h.length = s.ReadInteger();
  return h;
}

TIEResType_Script ReadScriptHeader(TJustMemoryStream& s) {
  TIEResType_Script h;
  uint8_t ram[16];
  s.ReadBuffer(ram, sizeof ram);
  h.RamInfo = {Int32At(ram), Int32At(ram + 4), Int32At(ram + 8), Int32At(ram + 12)};
  h.Filesize2 = s.ReadDWORD();
  h.folder = s.ReadSmallIntString();
  h.NumberOfFiles = s.ReadByte();
  s.ReadBuffer(h.EndHeader, sizeof h.EndHeader);
  return h;
}

TIEResType_Script_Entry ReadScriptEntry(TJustMemoryStream& s) {
  TIEResType_Script_Entry e;
  s.ReadBuffer(e.hash, sizeof e.hash);
  e.filename = s.ReadSmallIntString();
  e.filesize = s.ReadInteger();
  return e;
}

void SkipRawHeader(TJustMemoryStream& s, int size) {
  uint8_t block[kTextureHeaderSize];
  assert(size >= 0 && size <= static_cast<int>(sizeof block));
  s.ReadBuffer(block, size);
}
