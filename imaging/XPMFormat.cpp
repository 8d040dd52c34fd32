#include "XPMFormat.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>
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
constexpr size_t kFlushSize = size_t{1} << 16;  // a table of millions of colours goes out in pieces

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

// The distinct colours of the image, sorted (transparent last), with a coarse
// index by the colour's high bits so that finding a colour's place stays a
// short search. A sorted array stays within the size of the image itself
// however many colours there are.
class TColorTable {
public:
  explicit TColorTable(const TImageData& image) {
    const size_t pixels = static_cast<size_t>(image.Width) * static_cast<size_t>(image.Height);
    Colors.resize(pixels);
    for (size_t i = 0; i < pixels; ++i) Colors[i] = ColorKey(image.Bits.data() + 4 * i);
    std::sort(Colors.begin(), Colors.end());
    Colors.erase(std::unique(Colors.begin(), Colors.end()), Colors.end());
    Colors.shrink_to_fit();
    bucketStart_.assign((kTransparent >> kBucketShift) + 2, 0);
    for (uint32_t color : Colors) ++bucketStart_[(color >> kBucketShift) + 1];
    for (size_t b = 1; b < bucketStart_.size(); ++b) bucketStart_[b] += bucketStart_[b - 1];
  }

  // The table index of a colour the image uses.
  size_t Find(uint32_t color) const {
    const size_t bucket = color >> kBucketShift;
    const auto first = Colors.begin() + bucketStart_[bucket];
    const auto last = Colors.begin() + bucketStart_[bucket + 1];
    return static_cast<size_t>(std::lower_bound(first, last, color) - Colors.begin());
  }

  std::vector<uint32_t> Colors;

private:
  static constexpr int kBucketShift = 8;
  std::vector<uint32_t> bucketStart_;
};

// "#RRGGBB"
std::string HexColor(uint32_t rgb) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text = "#000000";
  for (int i = 6; i >= 1; --i, rgb >>= 4) text[static_cast<size_t>(i)] = kDigits[rgb & 0xF];
  return text;
}

void Write(TStream& out, const std::string& text) { out.WriteBuffer(text.data(), static_cast<int64_t>(text.size())); }

}  // namespace

TXPMFileFormat::TXPMFileFormat() : TImageFileFormat("X Window Pixmap", "*.xpm", false, true, false, {F::A8R8G8B8}) {}

TImageFormat TXPMFileFormat::CompatibleFormat(const TImageFormatInfo&) const { return F::A8R8G8B8; }

void TXPMFileFormat::SaveData(TStream& out, const TImageData& image) {
  const TColorTable table(image);
  const std::vector<uint32_t>& colors = table.Colors;
  const int chars = CharsPerPixel(colors.size());
  // Every key in a four-byte slot, so a pixel's key is copied as one word.
  std::vector<std::array<char, 4>> keys(colors.size());
  for (size_t i = 0; i < colors.size(); ++i) {
    const std::string key = KeyOf(i, chars);
    std::copy(key.begin(), key.end(), keys[i].begin());
  }

  std::string text = "/* XPM */\nstatic char *image[] = {\n/* columns rows colors chars-per-pixel */\n";
  text += Format("\"%d %d %zu %d\",\n", image.Width, image.Height, colors.size(), chars);
  for (size_t i = 0; i < colors.size(); ++i) {
    text += '"';
    text.append(keys[i].data(), static_cast<size_t>(chars));
    text += " c ";
    text += colors[i] == kTransparent ? "None" : HexColor(colors[i]);
    text += "\",\n";
    if (text.size() >= kFlushSize) {
      Write(out, text);
      text.clear();
    }
  }
  // No comment between the colour table and the rows: simple readers take the
  // line after the table as the first row.
  Write(out, text);

  // Each row: a quote, chars characters per pixel, a quote, a comma, a newline;
  // the slack lets the last key be copied as a whole word too.
  const size_t rowChars = static_cast<size_t>(image.Width) * static_cast<size_t>(chars);
  std::string row(1 + rowChars + 4, '"');
  const uint8_t* pixel = image.Bits.data();
  uint32_t lastColor = kTransparent + 1;
  const char* lastKey = keys.front().data();
  for (int32_t y = 0; y < image.Height; ++y) {
    char* to = row.data() + 1;
    for (int32_t x = 0; x < image.Width; ++x, pixel += 4, to += chars) {
      const uint32_t color = ColorKey(pixel);
      if (color != lastColor) {
        lastColor = color;
        lastKey = keys[table.Find(color)].data();
      }
      std::memcpy(to, lastKey, 4);
    }
    const bool last = y + 1 == image.Height;
    row.replace(1 + rowChars, std::string::npos, last ? "\"\n" : "\",\n");
    Write(out, row);
    row.resize(1 + rowChars + 4);
  }
  Write(out, "};\n");
}
