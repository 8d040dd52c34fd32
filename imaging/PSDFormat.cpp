#include "PSDFormat.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>

#include "BytePacking.h"
#include "Exceptions.h"
#include "SampleLayout.h"

namespace {

using F = TImageFormat;

enum TColorMode : uint16_t { kModeGrayscale = 1, kModeIndexed = 2, kModeRGB = 3 };

constexpr int32_t kMaxSide = 30000;  // beyond this the format needs its large-document variant
constexpr uint16_t kRawData = 0;     // compression code of uncompressed channel data
constexpr int16_t kAlphaChannelId = -1;
constexpr char kLayerName[] = "Layer 1";

// The planes of a written image: indexed images are one plane of indexes, the
// others follow their sample layout (grey or R, G, B, then alpha).
struct TPlanes {
  int Count = 1;
  int SampleBytes = 1;
  int Offsets[4] = {};
  bool HasAlpha = false;
  TColorMode Mode = kModeIndexed;
};

TPlanes PlanesOf(const TImageData& image) {
  TPlanes planes;
  if (image.Format == F::Index8) return planes;
  const TSampleLayout layout = GetSampleLayout(image.Format);
  planes.Count = layout.Count;
  planes.SampleBytes = layout.SampleBytes;
  for (int i = 0; i < layout.Count; ++i) planes.Offsets[i] = layout.Offsets[i];
  planes.HasAlpha = layout.HasAlpha;
  // A single float channel is stored as grey: there is no one-channel colour mode.
  planes.Mode = layout.IsGray || layout.Count == 1 ? kModeGrayscale : kModeRGB;
  return planes;
}

uint64_t PlaneBytes(const TImageData& image, const TPlanes& planes) {
  return uint64_t(uint32_t(image.Width)) * uint32_t(image.Height) * planes.SampleBytes;
}

uint32_t CheckedU32(uint64_t value) {
  if (value > std::numeric_limits<uint32_t>::max()) throw EImagingError("Image too large for a Photoshop file");
  return static_cast<uint32_t>(value);
}

// A colour sample of the merged image over white. When the merged image's
// alpha channel is its transparency, Photoshop stores the colour blended with
// white, and readers take the blend out again.
uint32_t OverWhite(uint32_t color, uint32_t alpha, int sampleBytes) {
  if (sampleBytes == 4) {
    const float a = std::clamp(std::bit_cast<float>(alpha), 0.0f, 1.0f);
    return std::bit_cast<uint32_t>(std::bit_cast<float>(color) * a + (1.0f - a));
  }
  const uint64_t max = sampleBytes == 1 ? 255 : 65535;
  return static_cast<uint32_t>((uint64_t{color} * alpha + max * (max - alpha) + max / 2) / max);
}

// One channel, row by row, samples big-endian; colour over white if asked.
void WritePlane(TStream& out, const TImageData& image, const TPlanes& planes, int plane, bool overWhite) {
  const int bpp = GetFormatInfo(image.Format).BytesPerPixel;
  const int alphaOffset = planes.Offsets[planes.Count - 1];
  const bool blend = overWhite && planes.HasAlpha && plane < planes.Count - 1;
  TByteBuffer row;
  const uint8_t* pixel = image.Bits.data();
  for (int32_t y = 0; y < image.Height; ++y) {
    row.clear();
    for (int32_t x = 0; x < image.Width; ++x, pixel += bpp) {
      uint32_t v = GetLESample(pixel + planes.Offsets[plane], planes.SampleBytes);
      if (blend) v = OverWhite(v, GetLESample(pixel + alphaOffset, planes.SampleBytes), planes.SampleBytes);
      PutBESample(row, v, planes.SampleBytes);
    }
    out.WriteBuffer(row.data(), static_cast<int64_t>(row.size()));
  }
}

void PutColorModeData(TByteBuffer& out, const TImageData& image) {
  if (image.Format != F::Index8) {
    PutBE32(out, 0);
    return;
  }
  // 256 reds, then 256 greens, then 256 blues; the palette's alpha has no place here.
  constexpr int kEntries = 256;
  PutBE32(out, 3 * kEntries);
  for (uint8_t TColor32Rec::*channel : {&TColor32Rec::R, &TColor32Rec::G, &TColor32Rec::B}) {
    for (int i = 0; i < kEntries; ++i) {
      PutU8(out, i < static_cast<int>(image.Palette.size()) ? image.Palette[i].*channel : 0);
    }
  }
}

int16_t ChannelId(const TPlanes& planes, int plane) {
  return planes.HasAlpha && plane == planes.Count - 1 ? kAlphaChannelId : static_cast<int16_t>(plane);
}

// The layer record: bounds, channels, blending, and the extra data with the name.
void PutLayerRecord(TByteBuffer& out, const TImageData& image, const TPlanes& planes, uint32_t channelLength) {
  PutBE32(out, 0);  // top
  PutBE32(out, 0);  // left
  PutBE32(out, static_cast<uint32_t>(image.Height));
  PutBE32(out, static_cast<uint32_t>(image.Width));
  PutBE16(out, static_cast<uint32_t>(planes.Count));
  for (int plane = 0; plane < planes.Count; ++plane) {
    PutBE16(out, static_cast<uint16_t>(ChannelId(planes, plane)));
    PutBE32(out, channelLength);
  }
  PutText(out, "8BIMnorm");
  PutU8(out, 255);  // opacity
  PutU8(out, 0);    // clipping: base
  PutU8(out, 0);    // flags: visible
  PutU8(out, 0);    // filler
  // The name is a Pascal string padded to a multiple of 4 bytes.
  TByteBuffer name;
  PutU8(name, sizeof(kLayerName) - 1);
  PutText(name, kLayerName);
  while (name.size() % 4 != 0) PutU8(name, 0);
  PutBE32(out, static_cast<uint32_t>(4 + 4 + name.size()));
  PutBE32(out, 0);  // no layer mask
  PutBE32(out, 0);  // no blending ranges
  PutBytes(out, name.data(), name.size());
}

void WriteLayerSection(TStream& out, const TImageData& image, const TPlanes& planes) {
  const uint32_t channelLength = CheckedU32(2 + PlaneBytes(image, planes));
  TByteBuffer records;
  // A negative count says the merged image's alpha channel is its transparency.
  PutBE16(records, static_cast<uint16_t>(planes.HasAlpha ? -1 : 1));
  PutLayerRecord(records, image, planes, channelLength);
  const uint64_t channelData = uint64_t(channelLength) * planes.Count;
  const uint64_t layerInfo = records.size() + channelData;
  const uint64_t padding = layerInfo % 2;  // the layer info length is even
  TByteBuffer head;
  PutBE32(head, CheckedU32(4 + layerInfo + padding + 4));
  PutBE32(head, CheckedU32(layerInfo + padding));
  out.WriteBuffer(head.data(), static_cast<int64_t>(head.size()));
  out.WriteBuffer(records.data(), static_cast<int64_t>(records.size()));
  for (int plane = 0; plane < planes.Count; ++plane) {
    TByteBuffer compression;
    PutBE16(compression, kRawData);
    out.WriteBuffer(compression.data(), 2);
    WritePlane(out, image, planes, plane, false);
  }
  TByteBuffer tail(padding, 0);
  PutBE32(tail, 0);  // no global layer mask
  out.WriteBuffer(tail.data(), static_cast<int64_t>(tail.size()));
}

}  // namespace

TPSDFileFormat::TPSDFileFormat()
    : TImageFileFormat("Photoshop Image", "*.psd,*.pdd", false, true, false,
                       {F::Index8, F::Gray8, F::A8Gray8, F::Gray16, F::A16Gray16, F::R8G8B8, F::A8R8G8B8,
                        F::R16G16B16, F::A16R16G16B16, F::R32F, F::A32R32G32B32F}) {}

TImageFormat TPSDFileFormat::CompatibleFormat(const TImageFormatInfo& source) const {
  if (source.IsFloatingPoint) return source.ChannelCount == 1 ? F::R32F : F::A32R32G32B32F;
  if (source.HasGrayChannel) return source.HasAlphaChannel ? F::A16Gray16 : F::Gray16;
  if (source.RBSwapFormat != F::Unknown && FSupportedFormats.Contains(source.RBSwapFormat)) return source.RBSwapFormat;
  return source.HasAlphaChannel ? F::A8R8G8B8 : F::R8G8B8;
}

void TPSDFileFormat::SaveData(TStream& out, const TImageData& image) {
  if (image.Width > kMaxSide || image.Height > kMaxSide) {
    throw EImagingError("Photoshop images cannot be wider or taller than 30000 pixels");
  }
  const TPlanes planes = PlanesOf(image);
  TByteBuffer head;
  PutText(head, "8BPS");
  PutBE16(head, 1);  // version
  PutBE32(head, 0);  // six reserved bytes
  PutBE16(head, 0);
  PutBE16(head, static_cast<uint32_t>(planes.Count));
  PutBE32(head, static_cast<uint32_t>(image.Height));
  PutBE32(head, static_cast<uint32_t>(image.Width));
  PutBE16(head, static_cast<uint32_t>(planes.SampleBytes * 8));
  PutBE16(head, planes.Mode);
  PutColorModeData(head, image);
  PutBE32(head, 0);  // no image resources
  out.WriteBuffer(head.data(), static_cast<int64_t>(head.size()));

  // With a layer, the merged image's alpha is its transparency; without, the
  // alpha is an extra channel beside an opaque image.
  const bool layered = FSaveAsLayer && planes.Mode != kModeIndexed;
  if (layered) {
    WriteLayerSection(out, image, planes);
  } else {
    TByteBuffer none;
    PutBE32(none, 0);
    out.WriteBuffer(none.data(), 4);
  }

  // The merged image: every channel in turn.
  TByteBuffer compression;
  PutBE16(compression, kRawData);
  out.WriteBuffer(compression.data(), 2);
  for (int plane = 0; plane < planes.Count; ++plane) WritePlane(out, image, planes, plane, layered);
}
