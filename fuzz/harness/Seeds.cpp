// Seed inputs: small, valid files that reach every branch a reader has, so the
// fuzzer starts from deep inside the formats instead of at their magic words.
#include <algorithm>
#include <cstring>
#include <string>

#include "DdsMaker.h"
#include "FuzzTargets.h"
#include "SdsMaker.h"

namespace fuzzing {

namespace {

// A small picture with some structure: gradients and a soft alpha ramp.
std::vector<uint8_t> Pattern(int width, int height) {
  std::vector<uint8_t> bgra(static_cast<size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &bgra[(static_cast<size_t>(y) * width + x) * 4];
      p[0] = static_cast<uint8_t>(x * 255 / std::max(1, width - 1));
      p[1] = static_cast<uint8_t>(y * 255 / std::max(1, height - 1));
      p[2] = static_cast<uint8_t>((x ^ y) * 16);
      p[3] = static_cast<uint8_t>((x + y) * 255 / std::max(1, width + height - 2));
    }
  }
  return bgra;
}

Bytes Counting(size_t n) {
  Bytes bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
  return bytes;
}

sdsmaker::Resource Resource(const std::string& type, const std::string& source, Bytes data,
                            const std::string& headerName = "") {
  sdsmaker::Resource r;
  r.typeName = type;
  r.source = source;
  r.data = std::move(data);
  r.headerName = headerName;
  return r;
}

// Every resource kind with a type header, plus a few without.
std::vector<sdsmaker::Resource> EveryKind() {
  sdsmaker::Resource script = Resource("Script", "scripts\\logic.lua", {}, "scripts");
  script.subScripts = {{"a.lua", Counting(40), {}}, {"b.lua", Counting(9), {}}};
  return {
      Resource("Texture", "textures\\wall.dds", MakeBlockDds(TImageFormat::DXT1, Pattern(8, 8), 8, 8, 0)),
      Resource("Mipmap", "textures\\wall_mip.dds", MakeArgbDds(Pattern(2, 2), 2, 2)),
      Resource("Sound", "sounds\\step.wav", Counting(24), "step"),
      Resource("MemFile", "data\\table.bin", Counting(16), "table"),
      Resource("VertexBufferPool", "not available", Counting(12)),
      std::move(script),
      Resource("XML", "config/settings.xml", {'<', 'a', '/', '>'}),
      Resource("Effects", "", Counting(5)),
  };
}

sdsmaker::Archive WithChunks(std::vector<sdsmaker::Resource> resources, std::vector<int64_t> sizes,
                             std::vector<bool> compressed) {
  sdsmaker::Archive a;
  a.resources = std::move(resources);
  a.chunking.sizes = std::move(sizes);
  a.chunking.compressed = std::move(compressed);
  return a;
}

void SetKeepHeader(Bytes& file) {
  if (file.size() > 4) file[4] |= 1;  // the unused version word picks keepheader
}

Bytes Dds(TDdsHeader header, size_t payload) { return BuildDds(header, Counting(payload)); }

}  // namespace

std::vector<Bytes> ArchiveSeeds() {
  std::vector<Bytes> seeds;
  auto add = [&](const sdsmaker::Archive& archive, bool keepheader) {
    Bytes file = sdsmaker::Build(archive).file;
    if (keepheader) SetKeepHeader(file);
    seeds.push_back(std::move(file));
  };
  add(WithChunks(EveryKind(), {65536}, {true}), false);
  add(WithChunks(EveryKind(), {65536}, {true}), true);
  add(WithChunks(EveryKind(), {37, 64}, {false, true}), false);
  add(WithChunks(EveryKind(), {16}, {false}), true);

  sdsmaker::Archive rows = WithChunks({Resource("Texture", "t.dds", MakeArgbDds(Pattern(4, 4), 4, 4))}, {65536}, {true});
  rows.typeTable = {{"Texture", 1, 2}, {"", 0, 0}, {"Script", -1, 7}};
  rows.chunking.headerText = "v1.0";
  add(rows, false);

  sdsmaker::Archive empty;
  add(empty, false);
  return seeds;
}

std::vector<Bytes> DescriptorSeeds() {
  return {
      Bytes{},
      [] {
        const std::string xml = sdsmaker::DescriptorXml(EveryKind());
        return Bytes(xml.begin(), xml.end());
      }(),
      [] {
        const std::string xml =
            "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<ResourceInfoList>\n"
            "<!-- a comment child --><?pi data?>"
            "<ResourceInfo a=\"1\"><TypeName><![CDATA[Texture]]></TypeName>"
            "<SourceDataDescription>caf\xE9\\x.dds</SourceDataDescription></ResourceInfo>\n"
            "<ResourceInfo><TypeName/><Other/></ResourceInfo>\n"
            "</ResourceInfoList>\n";
        return Bytes(xml.begin(), xml.end());
      }(),
      [] {
        const std::string xml =
            "<!DOCTYPE r [<!ENTITY e \"Sound\">]><r xmlns:p=\"urn:x\"><x><TypeName>&e;</TypeName>"
            "<p:TypeName>no</p:TypeName><SourceDataDescription>&amp;&#x41;</SourceDataDescription></x></r>";
        return Bytes(xml.begin(), xml.end());
      }(),
  };
}

std::vector<Bytes> DdsSeeds() {
  using enum TImageFormat;
  std::vector<Bytes> seeds;
  const std::vector<uint8_t> pixels = Pattern(8, 8);
  for (TImageFormat block : {DXT1, DXT3, DXT5, ATI1N, ATI2N}) {
    seeds.push_back(MakeBlockDds(block, pixels, 8, 8, 0));
  }
  seeds.push_back(MakeArgbDds(pixels, 8, 8));

  // One seed per row of the pixel-format selection: FourCC codes, then masks.
  for (uint32_t fourCC : {36u, 111u, 113u, 114u, 116u}) {
    seeds.push_back(Dds(DdsFourCCHeader(4, 4, fourCC, 0), 4 * 4 * 16));
  }
  struct MaskRow {
    uint32_t flags, bits, r, g, b, a;
  };
  const MaskRow rows[] = {
      {dds::kPfRGB | dds::kPfAlphaPixels, 16, 0x0F00, 0x00F0, 0x000F, 0xF000},
      {dds::kPfRGB | dds::kPfAlphaPixels, 16, 0x7C00, 0x03E0, 0x001F, 0x8000},
      {dds::kPfRGB | dds::kPfAlphaPixels, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},
      {dds::kPfRGB, 8, 0xE0, 0x1C, 0x03, 0},
      {dds::kPfRGB, 16, 0x0F00, 0x00F0, 0x000F, 0},
      {dds::kPfRGB, 16, 0x7C00, 0x03E0, 0x001F, 0},
      {dds::kPfRGB, 16, 0xF800, 0x07E0, 0x001F, 0},
      {dds::kPfRGB, 24, 0xFF0000, 0xFF00, 0xFF, 0},
      {dds::kPfRGB, 32, 0xFF, 0xFF00, 0xFF0000, 0},
      {dds::kPfLuminance | dds::kPfAlphaPixels, 16, 0xFF, 0, 0, 0xFF00},
      {dds::kPfLuminance, 8, 0xFF, 0, 0, 0},
      {dds::kPfLuminance, 16, 0xFFFF, 0, 0, 0},
      {dds::kPfBumpLuminance, 32, 0xFF, 0xFF00, 0xFF0000, 0},
      {dds::kPfBumpDuDv, 16, 0xFF, 0xFF00, 0, 0},
      {dds::kPfBumpDuDv, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},
      {dds::kPfBumpDuDv, 64, 0, 0, 0, 0},
  };
  for (const MaskRow& row : rows) {
    TDdsHeader header = DdsMaskHeader(6, 5, row.flags, row.bits, row.r, row.g, row.b, row.a);
    seeds.push_back(Dds(header, 6 * 5 * row.bits / 8));
    // The same in pitch mode with padded rows and a mipmap chain.
    header.Flags = (header.Flags & ~dds::kFlagLinearSize) | dds::kFlagPitch;
    header.PitchOrLinearSize = 6 * row.bits / 8 + 4;
    SetDdsMipMaps(header, 3);
    seeds.push_back(Dds(header, 5 * header.PitchOrLinearSize + 3 * 2 * row.bits / 8 + row.bits / 8));
  }

  // A cube map with two faces and mipmaps, and a volume with mipmaps.
  TDdsHeader cube = DdsFourCCHeader(8, 8, DdsFourCC("DXT5"), 64);
  SetDdsMipMaps(cube, 2);
  cube.Caps2 = dds::kCaps2CubeMap | 0x400 | 0x2000;
  seeds.push_back(Dds(cube, 2 * (64 + 16)));
  TDdsHeader volume = DdsMaskHeader(4, 4, dds::kPfRGB, 32, 0xFF0000, 0xFF00, 0xFF, 0);
  volume.Flags |= dds::kFlagDepth;
  volume.Depth = 4;
  volume.Caps2 = dds::kCaps2Volume;
  SetDdsMipMaps(volume, 3);
  seeds.push_back(Dds(volume, (4 * 16 + 2 * 4 + 1) * 4));
  return seeds;
}

}  // namespace fuzzing
