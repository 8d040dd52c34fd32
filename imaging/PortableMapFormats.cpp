#include "PortableMapFormats.h"

#include "BytePacking.h"
#include "Exceptions.h"
#include "Format.h"
#include "SampleLayout.h"

namespace {

using F = TImageFormat;

// How the samples follow the header.
enum class TSampleCoding { BigEndian, LittleEndian, DecimalText };

struct TSampleRows {
  int SamplesPerPixel;  // the first n samples of the layout (PFM leaves alpha out)
  TSampleCoding Coding;
  bool BottomUp;        // PFM stores the bottom row first
};

constexpr size_t kPlainLineLimit = 70;  // the plain variants keep lines this short

void PutDecimal(std::string& text, size_t& lineStart, uint32_t value) {
  const std::string number = std::to_string(value);
  if (text.size() > lineStart) {
    if (text.size() - lineStart + 1 + number.size() > kPlainLineLimit) {
      text += '\n';
      lineStart = text.size();
    } else {
      text += ' ';
    }
  }
  text += number;
}

void WriteSampleRows(TStream& out, const TImageData& image, const TSampleRows& rows) {
  const TSampleLayout layout = GetSampleLayout(image.Format);
  const int bpp = GetFormatInfo(image.Format).BytesPerPixel;
  const size_t rowBytes = static_cast<size_t>(image.Width) * bpp;
  TByteBuffer binary;
  std::string text;
  for (int32_t i = 0; i < image.Height; ++i) {
    const int32_t y = rows.BottomUp ? image.Height - 1 - i : i;
    const uint8_t* pixel = image.Bits.data() + static_cast<size_t>(y) * rowBytes;
    binary.clear();
    text.clear();
    size_t lineStart = 0;
    for (int32_t x = 0; x < image.Width; ++x, pixel += bpp) {
      for (int s = 0; s < rows.SamplesPerPixel; ++s) {
        const uint32_t v = GetLESample(pixel + layout.Offsets[s], layout.SampleBytes);
        switch (rows.Coding) {
          case TSampleCoding::BigEndian: PutBESample(binary, v, layout.SampleBytes); break;
          case TSampleCoding::LittleEndian: PutBytes(binary, pixel + layout.Offsets[s], layout.SampleBytes); break;
          case TSampleCoding::DecimalText: PutDecimal(text, lineStart, v); break;
        }
      }
    }
    if (rows.Coding == TSampleCoding::DecimalText) {
      text += '\n';
      out.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    } else {
      out.WriteBuffer(binary.data(), static_cast<int64_t>(binary.size()));
    }
  }
}

void WriteHeader(TStream& out, const std::string& header) {
  out.WriteBuffer(header.data(), static_cast<int64_t>(header.size()));
}

uint32_t MaxValue(const TSampleLayout& layout) { return layout.SampleBytes == 1 ? 255u : 65535u; }

int BytesPerChannel(const TImageFormatInfo& info) {
  return info.ChannelCount > 0 ? info.BytesPerPixel / info.ChannelCount : 0;
}

// The PAM tuple type names, by (grey, alpha).
const char* TupleType(const TSampleLayout& layout) {
  if (layout.IsGray) return layout.HasAlpha ? "GRAYSCALE_ALPHA" : "GRAYSCALE";
  return layout.HasAlpha ? "RGB_ALPHA" : "RGB";
}

}  // namespace

TAnyMapFileFormat::TAnyMapFileFormat(std::string name, const std::string& masks, TImageFormats supported,
                                     char binaryMagic, char plainMagic)
    : TImageFileFormat(std::move(name), masks, false, true, false, supported),
      FBinaryMagic(binaryMagic),
      FPlainMagic(plainMagic) {}

void TAnyMapFileFormat::SaveData(TStream& out, const TImageData& image) {
  const TSampleLayout layout = GetSampleLayout(image.Format);
  WriteHeader(out, Format("P%c\n%d %d\n%u\n", FSaveBinary ? FBinaryMagic : FPlainMagic, image.Width, image.Height,
                          MaxValue(layout)));
  WriteSampleRows(out, image,
                  {layout.Count, FSaveBinary ? TSampleCoding::BigEndian : TSampleCoding::DecimalText, false});
}

TPGMFileFormat::TPGMFileFormat()
    : TAnyMapFileFormat("Portable Gray Map", "*.pgm", {F::Gray8, F::Gray16}, '5', '2') {}

TImageFormat TPGMFileFormat::CompatibleFormat(const TImageFormatInfo& source) const {
  if (source.IsFloatingPoint) return F::Gray16;
  if (source.HasGrayChannel) return BytesPerChannel(source) > 1 ? F::Gray16 : F::Gray8;
  return source.BytesPerPixel < 5 ? F::Gray8 : F::Gray16;
}

TPPMFileFormat::TPPMFileFormat()
    : TAnyMapFileFormat("Portable Pixel Map", "*.ppm", {F::R8G8B8, F::R16G16B16}, '6', '3') {}

TImageFormat TPPMFileFormat::CompatibleFormat(const TImageFormatInfo& source) const {
  if (source.IsFloatingPoint) return F::R16G16B16;
  if (source.HasGrayChannel) return BytesPerChannel(source) > 1 ? F::R16G16B16 : F::R8G8B8;
  return source.BytesPerPixel < 5 ? F::R8G8B8 : F::R16G16B16;
}

TPAMFileFormat::TPAMFileFormat()
    : TImageFileFormat("Portable Arbitrary Map", "*.pam", false, true, false,
                       {F::Gray8, F::A8Gray8, F::Gray16, F::A16Gray16, F::R8G8B8, F::A8R8G8B8, F::R16G16B16,
                        F::A16R16G16B16}) {}

TImageFormat TPAMFileFormat::CompatibleFormat(const TImageFormatInfo& source) const {
  const bool alpha = source.HasAlphaChannel;
  if (source.IsFloatingPoint) return alpha ? F::A16R16G16B16 : F::R16G16B16;
  if (source.HasGrayChannel) return alpha ? F::A16Gray16 : F::Gray16;
  if (source.BytesPerPixel <= 4) return alpha ? F::A8R8G8B8 : F::R8G8B8;
  return alpha ? F::A16R16G16B16 : F::R16G16B16;
}

void TPAMFileFormat::SaveData(TStream& out, const TImageData& image) {
  const TSampleLayout layout = GetSampleLayout(image.Format);
  WriteHeader(out, Format("P7\nWIDTH %d\nHEIGHT %d\nDEPTH %d\nMAXVAL %u\nTUPLTYPE %s\nENDHDR\n", image.Width,
                          image.Height, layout.Count, MaxValue(layout), TupleType(layout)));
  WriteSampleRows(out, image, {layout.Count, TSampleCoding::BigEndian, false});
}

TPFMFileFormat::TPFMFileFormat()
    : TImageFileFormat("Portable Float Map", "*.pfm", false, true, false, {F::R32F, F::A32B32G32R32F}) {}

TImageFormat TPFMFileFormat::CompatibleFormat(const TImageFormatInfo& source) const {
  return source.ChannelCount > 1 || source.IsIndexed ? F::A32B32G32R32F : F::R32F;
}

void TPFMFileFormat::SaveData(TStream& out, const TImageData& image) {
  const TSampleLayout layout = GetSampleLayout(image.Format);
  const bool colour = layout.Count > 1;  // the file has no alpha: colour keeps red, green and blue
  // A negative scale marks little-endian samples.
  WriteHeader(out, Format("%s\n%d %d\n-1.0\n", colour ? "PF" : "Pf", image.Width, image.Height));
  WriteSampleRows(out, image, {colour ? 3 : 1, TSampleCoding::LittleEndian, true});
}
