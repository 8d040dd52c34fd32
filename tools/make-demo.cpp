// make-demo: writes the bundled demo archive. Something of every resource kind the
// programs handle: mipmapped DXT1/DXT5/A8R8G8B8 textures that look like something
// (gradients, bricks, a checkerboard, lettering), a cube map, one with soft alpha, a
// "Mipmap" entry, XML, a sound, an effect, a Script bundle with sub-scripts, a
// MemFile, a VertexBufferPool, and both stored and compressed chunks.
// Usage: make-demo OUTPUT.sds
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "DdsMaker.h"
#include "SdsMaker.h"

using sdsmaker::Bytes;

namespace {

// ---- Pictures ---------------------------------------------------------------

struct Canvas {
  int width, height;
  std::vector<uint8_t> bgra;
  Canvas(int w, int h) : width(w), height(h), bgra(static_cast<size_t>(w) * h * 4, 255) {}
  uint8_t* At(int x, int y) { return &bgra[(static_cast<size_t>(y) * width + x) * 4]; }
  void Set(int x, int y, int r, int g, int b, int a = 255) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    uint8_t* p = At(x, y);
    p[0] = static_cast<uint8_t>(std::clamp(b, 0, 255));
    p[1] = static_cast<uint8_t>(std::clamp(g, 0, 255));
    p[2] = static_cast<uint8_t>(std::clamp(r, 0, 255));
    p[3] = static_cast<uint8_t>(std::clamp(a, 0, 255));
  }
};

// A 5 x 7 pixel font for the few words the pictures carry.
struct Glyph {
  char c;
  const char* rows[7];
};
constexpr Glyph kFont[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".###."}},
    {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'I', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "#####"}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'Q', {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"}},
    {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}},
    {'Y', {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."}},
    {'Z', {"#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"}},
    {'+', {".....", "..#..", "..#..", "#####", "..#..", "..#..", "....."}},
    {'-', {".....", ".....", ".....", "#####", ".....", ".....", "....."}},
    {' ', {".....", ".....", ".....", ".....", ".....", ".....", "....."}},
};

// Draws text with its top-left corner at (x, y), each font pixel a scale x scale square.
void DrawText(Canvas& c, const std::string& text, int x, int y, int scale, int r, int g, int b) {
  for (char ch : text) {
    for (const Glyph& glyph : kFont) {
      if (glyph.c != ch) continue;
      for (int row = 0; row < 7; ++row) {
        for (int col = 0; col < 5; ++col) {
          if (glyph.rows[row][col] != '#') continue;
          for (int dy = 0; dy < scale; ++dy) {
            for (int dx = 0; dx < scale; ++dx) c.Set(x + col * scale + dx, y + row * scale + dy, r, g, b);
          }
        }
      }
    }
    x += 6 * scale;
  }
}

// Centred across the canvas, the scale lowered until the text fits in 85% of the width.
// A negative y centres it vertically too.
void CentredText(Canvas& c, const std::string& text, int y, int scale, int r, int g, int b) {
  const int chars = static_cast<int>(text.size());
  while (scale > 1 && chars * 6 * scale - scale > c.width * 85 / 100) --scale;
  const int width = chars * 6 * scale - scale;
  DrawText(c, text, (c.width - width) / 2, y < 0 ? (c.height - 7 * scale) / 2 : y, scale, r, g, b);
}

Canvas Sunset(int side) {
  Canvas c(side, side);
  for (int y = 0; y < side; ++y) {
    const double t = y / double(side - 1);
    for (int x = 0; x < side; ++x) {
      const double sun = std::hypot(x - side * 0.5, y - side * 0.62) / side;
      const int glow = static_cast<int>(std::max(0.0, 1 - sun * 4) * 120);
      c.Set(x, y, static_cast<int>(40 + 215 * t) + glow, static_cast<int>(30 + 110 * t * t) + glow / 2,
            static_cast<int>(120 - 90 * t));
    }
  }
  for (int x = 0; x < side; ++x) {  // a dark horizon line of hills
    const int top = static_cast<int>(side * 0.78 + std::sin(x * 0.05) * side * 0.03 + std::sin(x * 0.013) * side * 0.04);
    for (int y = top; y < side; ++y) c.Set(x, y, 20, 25 + (y - top) / 3, 35);
  }
  CentredText(c, "QUORVIN", side / 8, side / 64, 255, 250, 230);
  CentredText(c, "DEMO", side / 8 + side / 64 * 9, side / 64, 255, 250, 230);
  return c;
}

Canvas Bricks(int side) {
  Canvas c(side, side);
  const int brickW = side / 8, brickH = side / 16;
  for (int y = 0; y < side; ++y) {
    const int row = y / brickH;
    for (int x = 0; x < side; ++x) {
      const int shifted = x + (row % 2) * brickW / 2;
      const bool mortar = y % brickH < 2 || shifted % brickW < 2;
      const int shade = ((shifted / brickW) * 37 + row * 23) % 40;
      if (mortar) c.Set(x, y, 190, 185, 175);
      else c.Set(x, y, 150 + shade + (x * 7 + y * 13) % 9, 60 + shade / 2, 45);
    }
  }
  CentredText(c, "WALL", -1, side / 32, 250, 240, 90);
  return c;
}

Canvas Checker(int side, const std::string& label) {
  Canvas c(side, side);
  const int cell = std::max(1, side / 8);
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const bool dark = ((x / cell) + (y / cell)) % 2;
      c.Set(x, y, dark ? 60 : 230, dark ? 70 + x * 100 / side : 230, dark ? 160 : 220 - y * 60 / side);
    }
  }
  CentredText(c, label, -1, side / 16, 200, 20, 40);
  return c;
}

// A glowing disc that fades to transparent: shows the preview's alpha blending.
Canvas Glow(int side) {
  Canvas c(side, side);
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const double d = std::hypot(x - side / 2.0 + 0.5, y - side / 2.0 + 0.5) / (side / 2.0);
      const double a = std::clamp(1.15 - d * 1.2, 0.0, 1.0);
      const double ring = 0.5 + 0.5 * std::cos(d * 18);
      c.Set(x, y, static_cast<int>(255 * (0.8 + 0.2 * ring)), static_cast<int>(200 * ring + 40),
            static_cast<int>(80 + 150 * (1 - d)), static_cast<int>(255 * a * a));
    }
  }
  CentredText(c, "ALPHA", -1, side / 48, 30, 30, 90);
  return c;
}

// One face of the sky cube: a tinted gradient with the face's name.
Canvas CubeFace(int side, int face) {
  static const char* const kNames[] = {"+X", "-X", "+Y", "-Y", "+Z", "-Z"};
  static const int kTints[6][3] = {{230, 90, 80}, {90, 200, 110}, {100, 140, 240},
                                   {230, 210, 90}, {200, 110, 220}, {90, 210, 220}};
  Canvas c(side, side);
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const double f = 0.55 + 0.45 * (1 - y / double(side));
      const int edge = (x < 2 || y < 2 || x >= side - 2 || y >= side - 2) ? 60 : 0;
      c.Set(x, y, static_cast<int>(kTints[face][0] * f) - edge, static_cast<int>(kTints[face][1] * f) - edge,
            static_cast<int>(kTints[face][2] * f) - edge);
    }
  }
  CentredText(c, kNames[face], -1, side / 8, 255, 255, 255);
  return c;
}

Bytes BlockDds(TImageFormat format, const Canvas& c, int levels = 0) {
  return MakeBlockDds(format, c.bgra, c.width, c.height, levels);
}

Bytes CubeMapDds(int side) {
  constexpr size_t kHeader = 128;
  Bytes payload;
  uint32_t levels = 0;
  for (int face = 0; face < 6; ++face) {
    const Bytes one = BlockDds(TImageFormat::DXT1, CubeFace(side, face));
    payload.insert(payload.end(), one.begin() + kHeader, one.end());
  }
  for (int s = side; s >= 1; s /= 2) ++levels;
  const uint32_t top = static_cast<uint32_t>(((side + 3) / 4) * ((side + 3) / 4) * 8);
  TDdsHeader header = DdsFourCCHeader(static_cast<uint32_t>(side), static_cast<uint32_t>(side), DdsFourCC("DXT1"), top);
  SetDdsMipMaps(header, levels);
  header.Caps1 |= dds::kCaps1Complex;
  header.Caps2 = dds::kCaps2CubeMap | dds::kCaps2AllFaces;
  return BuildDds(header, payload);
}

// ---- Other resources ----------------------------------------------------------

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

void Append16(Bytes& b, int v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Append32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// Half a second of a rising chirp: a playable mono 16-bit WAV file.
Bytes ChirpWav() {
  constexpr int kRate = 22050, kSamples = kRate / 2;
  Bytes pcm;
  double phase = 0;
  for (int i = 0; i < kSamples; ++i) {
    const double t = i / double(kSamples);
    phase += 2 * M_PI * (440 + 440 * t) / kRate;
    const double envelope = std::min(1.0, std::min(t * 20, (1 - t) * 10));
    Append16(pcm, static_cast<int>(std::sin(phase) * 12000 * envelope));
  }
  Bytes wav = Text("RIFF");
  Append32(wav, static_cast<uint32_t>(36 + pcm.size()));
  for (char ch : std::string("WAVEfmt ")) wav.push_back(static_cast<uint8_t>(ch));
  Append32(wav, 16);
  Append16(wav, 1);  // PCM
  Append16(wav, 1);  // mono
  Append32(wav, kRate);
  Append32(wav, kRate * 2);
  Append16(wav, 2);
  Append16(wav, 16);
  for (char ch : std::string("data")) wav.push_back(static_cast<uint8_t>(ch));
  Append32(wav, static_cast<uint32_t>(pcm.size()));
  wav.insert(wav.end(), pcm.begin(), pcm.end());
  return wav;
}

// A small quad mesh: position, normal and texture coordinates per vertex.
Bytes QuadVertices() {
  const float vertices[] = {-1, -1, 0, 0, 0, 1, 0, 1, 1, -1, 0, 0, 0, 1, 1, 1,
                            1,  1,  0, 0, 0, 1, 1, 0, -1, 1, 0, 0, 0, 1, 0, 0};
  Bytes b(sizeof vertices);
  std::memcpy(b.data(), vertices, sizeof vertices);
  return b;
}

sdsmaker::Resource Res(const std::string& type, const std::string& source, Bytes data, const std::string& name = "") {
  sdsmaker::Resource r;
  r.typeName = type;
  r.source = source;
  r.data = std::move(data);
  r.headerName = name;
  return r;
}

sdsmaker::Archive DemoArchive() {
  sdsmaker::Archive a;
  a.typeTable = {{"Texture", 1, 0},          {"Mipmap", 2, 0}, {"XML", 3, 0},    {"Sound", 4, 0}, {"Effects", 5, 0},
                 {"Script", 6, 0},           {"MemFile", 7, 0}, {"VertexBufferPool", 8, 0}};
  a.resources = {
      Res("Texture", "/textures/sunset.dds", BlockDds(TImageFormat::DXT1, Sunset(256))),
      Res("Texture", "/textures/bricks.dds", BlockDds(TImageFormat::DXT1, Bricks(256))),
      Res("Texture", "/textures/glow_alpha.dds", BlockDds(TImageFormat::DXT5, Glow(128))),
      Res("Texture", "/textures/checker_rgba.dds", MakeArgbDds(Checker(64, "RGBA").bgra, 64, 64)),
      Res("Texture", "/textures/sky_cube.dds", CubeMapDds(64)),
      Res("Mipmap", "/textures/bricks.dds", BlockDds(TImageFormat::DXT1, Bricks(64))),
      Res("XML", "/config/settings.xml",
          Text("<?xml version=\"1.0\"?>\n<settings>\n  <video width=\"1280\" height=\"720\"/>\n"
               "  <audio volume=\"0.8\"/>\n</settings>\n")),
      Res("Sound", "/sound/chirp.wav", ChirpWav(), "chirp"),
      Res("Effects", "d:\\fx\\glow.fx",
          Text("// Adds a soft glow around bright pixels.\nfloat4 Glow(float2 uv : TEXCOORD0) : COLOR0 {\n"
               "  float4 c = tex2D(scene, uv);\n  return c + c * c.a * 0.5;\n}\n")),
      Res("MemFile", "not available", Text(std::string("QVMF\x01\x00\x00\x00 demo memory block", 26)), "memblock"),
      Res("VertexBufferPool", "/meshes/quad.vbp", QuadVertices()),
  };
  sdsmaker::Resource scripts = Res("Script", "/scripts/demo.sbd", {}, "scripts");
  scripts.subScripts = {
      {"scripts\\main.lua", Text("-- entry point\nrequire 'ui'\nprint('Hello from the demo archive')\n"), {}},
      {"scripts\\ui.lua", Text("-- user interface\nfunction show(name) print('showing ' .. name) end\n"), {}},
  };
  a.resources.insert(a.resources.begin() + 9, scripts);
  // Stored and compressed chunks in turn, boundaries falling anywhere.
  a.chunking.sizes = {48 * 1024, 5000, 32 * 1024};
  a.chunking.compressed = {true, false};
  a.chunking.level = 9;
  return a;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("Usage: make-demo OUTPUT.sds\n", stderr);
    return 2;
  }
  try {
    sdsmaker::WriteBytes(argv[1], sdsmaker::Build(DemoArchive()).file);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make-demo: %s\n", e.what());
    return 1;
  }
}
