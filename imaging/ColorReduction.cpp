// Median cut: the colour space of the image's distinct colours (alpha as a fourth
// axis) is split box by box, always the box whose longest side weighted by its
// pixel count is largest, at the pixel-weighted median of that side. Each box
// becomes one palette entry, the pixel-weighted mean of its colours.
#include <algorithm>
#include <numeric>

#include "Conversion.h"

namespace {

using TKey = uint32_t;  // A << 24 | R << 16 | G << 8 | B

TKey KeyOf(TColor32Rec c) {
  if (c.A == 0) return 0;  // every fully transparent pixel is the same colour
  return TKey{c.A} << 24 | TKey{c.R} << 16 | TKey{c.G} << 8 | c.B;
}
uint32_t Channel(TKey key, int axis) { return (key >> (8 * axis)) & 0xFF; }

struct TEntry {
  TKey Key;
  uint64_t Count;
};

struct TBox {
  size_t Begin, End;  // range of the distinct-colour array
  uint64_t Count;
  int Axis;           // longest side
  uint32_t Range;
};

TBox MakeBox(const std::vector<TEntry>& colours, size_t begin, size_t end) {
  TBox box{begin, end, 0, 0, 0};
  uint32_t lo[4] = {255, 255, 255, 255}, hi[4] = {0, 0, 0, 0};
  for (size_t i = begin; i < end; ++i) {
    box.Count += colours[i].Count;
    for (int axis = 0; axis < 4; ++axis) {
      lo[axis] = std::min(lo[axis], Channel(colours[i].Key, axis));
      hi[axis] = std::max(hi[axis], Channel(colours[i].Key, axis));
    }
  }
  for (int axis = 0; axis < 4 && end > begin; ++axis) {
    if (hi[axis] - lo[axis] > box.Range) {
      box.Range = hi[axis] - lo[axis];
      box.Axis = axis;
    }
  }
  return box;
}

// Splits at the weighted median along the box's longest side; both halves keep at least one colour.
std::pair<TBox, TBox> Split(std::vector<TEntry>& colours, const TBox& box) {
  const int axis = box.Axis;
  std::sort(colours.begin() + box.Begin, colours.begin() + box.End,
            [axis](const TEntry& a, const TEntry& b) { return Channel(a.Key, axis) < Channel(b.Key, axis); });
  uint64_t running = 0;
  size_t cut = box.Begin + 1;
  for (size_t i = box.Begin; i + 1 < box.End; ++i) {
    running += colours[i].Count;
    cut = i + 1;
    if (running * 2 >= box.Count) break;
  }
  return {MakeBox(colours, box.Begin, cut), MakeBox(colours, cut, box.End)};
}

TColor32Rec MeanOf(const std::vector<TEntry>& colours, const TBox& box) {
  uint64_t sum[4] = {0, 0, 0, 0};
  for (size_t i = box.Begin; i < box.End; ++i) {
    for (int axis = 0; axis < 4; ++axis) sum[axis] += Channel(colours[i].Key, axis) * colours[i].Count;
  }
  auto mean = [&](int axis) { return static_cast<uint8_t>((sum[axis] + box.Count / 2) / box.Count); };
  return TColor32Rec{mean(0), mean(1), mean(2), mean(3)};
}

}  // namespace

void ReduceToIndex8(const TImageData& source, TImageData& dest) {
  const std::vector<TColor32Rec> pixels = ReadPixels32(source);
  std::vector<TKey> keys(pixels.size());
  std::transform(pixels.begin(), pixels.end(), keys.begin(), KeyOf);
  std::vector<TKey> sorted = keys;
  std::sort(sorted.begin(), sorted.end());
  std::vector<TEntry> colours;
  for (TKey key : sorted) {
    if (colours.empty() || colours.back().Key != key) colours.push_back({key, 0});
    ++colours.back().Count;
  }

  // Fully transparent pixels (key 0 sorts first) keep an entry of their own.
  std::vector<TBox> boxes;
  size_t first = 0;
  if (!colours.empty() && colours[0].Key == 0 && colours.size() > 1) {
    boxes.push_back(MakeBox(colours, 0, 1));
    first = 1;
  }
  if (first < colours.size()) boxes.push_back(MakeBox(colours, first, colours.size()));
  const size_t fixedBoxes = first;
  while (boxes.size() < 256) {
    size_t best = boxes.size();
    uint64_t bestScore = 0;
    for (size_t b = fixedBoxes; b < boxes.size(); ++b) {
      const uint64_t score = uint64_t{boxes[b].Range} * boxes[b].Count;
      if (boxes[b].End - boxes[b].Begin > 1 && (best == boxes.size() || score > bestScore)) {
        best = b;
        bestScore = score;
      }
    }
    if (best == boxes.size()) break;  // every box holds a single colour
    auto [low, high] = Split(colours, boxes[best]);
    boxes[best] = low;
    boxes.push_back(high);
  }

  TImageData result;
  NewImage(source.Width, source.Height, TImageFormat::Index8, result);
  // Each distinct colour learns its box; pixels then find their colour by binary search.
  std::vector<std::pair<TKey, uint8_t>> lookup(colours.size());
  for (size_t b = 0; b < boxes.size(); ++b) {
    result.Palette[b] = MeanOf(colours, boxes[b]);
    for (size_t i = boxes[b].Begin; i < boxes[b].End; ++i) lookup[i] = {colours[i].Key, static_cast<uint8_t>(b)};
  }
  std::sort(lookup.begin(), lookup.end());
  for (size_t i = 0; i < keys.size(); ++i) {
    const auto it = std::lower_bound(lookup.begin(), lookup.end(), std::make_pair(keys[i], uint8_t{0}));
    result.Bits[i] = it->second;
  }
  dest = std::move(result);
}
