#include "XPMFormat.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Format.h"

namespace {

using F = TImageFormat;

// Pixel key characters. Left out: the quote and backslash (string syntax),
// '/' and '*' (a reader stripping comments could see one), '?' (C trigraphs)
// and the blank (some readers trim it).
constexpr std::string_view kKeyChars =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.#$%&+,-:;<=>@^_`|~!()[]{}";
constexpr uint32_t kTransparent = 0x1000000;  // outside every 24-bit colour

uint32_t ColorKey(const uint8_t* bgra) {
  if (bgra[3] == 0) return kTransparent;
  return uint32_t(bgra[2]) << 16 | uint32_t(bgra[1]) << 8 | bgra[0];
}

int CharsPerPixel(size_t colors) {
  int chars = 1;
  for (size_t capacity = kKeyChars.size(); capacity < colors; capacity *= kKeyChars.size()) ++chars;
  return chars;
}

std::string KeyOf(size_t index, int chars) {
  std::string key(static_cast<size_t>(chars), ' ');
  for (int i = chars - 1; i >= 0; --i) {
    key[static_cast<size_t>(i)] = kKeyChars[index % kKeyChars.size()];
    index /= kKeyChars.size();
  }
  return key;
}

// The colours in order of first use, each mapped to its table index.
struct TColorTable {
  std::vector<uint32_t> Colors;
  std::unordered_map<uint32_t, uint32_t> Index;
};

TColorTable CollectColors(const TImageData& image) {
  TColorTable table;
  const size_t pixels = static_cast<size_t>(image.Width) * static_cast<size_t>(image.Height);
  uint32_t last = kTransparent + 1;
  for (size_t i = 0; i < pixels; ++i) {
    const uint32_t color = ColorKey(image.Bits.data() + 4 * i);
    if (color == last) continue;  // runs of one colour are common
    last = color;
    if (table.Index.emplace(color, static_cast<uint32_t>(table.Colors.size())).second) table.Colors.push_back(color);
  }
  return table;
}

void Write(TStream& out, const std::string& text) { out.WriteBuffer(text.data(), static_cast<int64_t>(text.size())); }

}  // namespace

TXPMFileFormat::TXPMFileFormat() : TImageFileFormat("X Window Pixmap", "*.xpm", false, true, false, {F::A8R8G8B8}) {}

TImageFormat TXPMFileFormat::CompatibleFormat(const TImageFormatInfo&) const { return F::A8R8G8B8; }

void TXPMFileFormat::SaveData(TStream& out, const TImageData& image) {
  const TColorTable table = CollectColors(image);
  const int chars = CharsPerPixel(table.Colors.size());
  std::vector<std::string> keys;
  keys.reserve(table.Colors.size());
  for (size_t i = 0; i < table.Colors.size(); ++i) keys.push_back(KeyOf(i, chars));

  std::string text = "/* XPM */\nstatic char *image[] = {\n/* columns rows colors chars-per-pixel */\n";
  text += Format("\"%d %d %zu %d\",\n", image.Width, image.Height, table.Colors.size(), chars);
  for (size_t i = 0; i < table.Colors.size(); ++i) {
    const uint32_t color = table.Colors[i];
    text += color == kTransparent ? Format("\"%s c None\",\n", keys[i].c_str())
                                  : Format("\"%s c #%06X\",\n", keys[i].c_str(), color);
  }
  // No comment between the colour table and the rows: simple readers take the
  // line after the table as the first row.
  Write(out, text);

  const uint8_t* pixel = image.Bits.data();
  uint32_t lastColor = kTransparent + 1;
  const std::string* lastKey = nullptr;
  for (int32_t y = 0; y < image.Height; ++y) {
    text.assign(1, '"');
    for (int32_t x = 0; x < image.Width; ++x, pixel += 4) {
      const uint32_t color = ColorKey(pixel);
      if (color != lastColor) {
        lastColor = color;
        lastKey = &keys[table.Index.at(color)];
      }
      text += *lastKey;
    }
    text += y + 1 < image.Height ? "\",\n" : "\"\n";
    Write(out, text);
  }
  Write(out, "};\n");
}
