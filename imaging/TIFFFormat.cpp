#include "TIFFFormat.h"

#include <tiffio.h>

#include <algorithm>
#include <bit>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "Exceptions.h"
#include "WriterSupport.h"

// Our pixel buffers are little-endian and libtiff takes samples in host order.
static_assert(std::endian::native == std::endian::little);

namespace {

// How each writable format lies in a TIFF. Colour formats named R...B store blue
// first, so their rows are reordered to red first on the way out.
struct TTiffLayout {
  TImageFormat Format;
  uint16_t Samples;
  uint16_t BitsPerSample;
  uint16_t SampleFormat;
  uint16_t Photometric;
  bool HasAlpha;   // the last sample is straight alpha
  bool BlueFirst;
};

constexpr TTiffLayout kLayouts[] = {
    {TImageFormat::Index8, 1, 8, SAMPLEFORMAT_UINT, PHOTOMETRIC_PALETTE, false, false},
    {TImageFormat::Gray8, 1, 8, SAMPLEFORMAT_UINT, PHOTOMETRIC_MINISBLACK, false, false},
    {TImageFormat::A8Gray8, 2, 8, SAMPLEFORMAT_UINT, PHOTOMETRIC_MINISBLACK, true, false},
    {TImageFormat::Gray16, 1, 16, SAMPLEFORMAT_UINT, PHOTOMETRIC_MINISBLACK, false, false},
    {TImageFormat::Gray32, 1, 32, SAMPLEFORMAT_UINT, PHOTOMETRIC_MINISBLACK, false, false},
    {TImageFormat::A16Gray16, 2, 16, SAMPLEFORMAT_UINT, PHOTOMETRIC_MINISBLACK, true, false},
    {TImageFormat::R8G8B8, 3, 8, SAMPLEFORMAT_UINT, PHOTOMETRIC_RGB, false, true},
    {TImageFormat::A8R8G8B8, 4, 8, SAMPLEFORMAT_UINT, PHOTOMETRIC_RGB, true, true},
    {TImageFormat::R16G16B16, 3, 16, SAMPLEFORMAT_UINT, PHOTOMETRIC_RGB, false, true},
    {TImageFormat::A16R16G16B16, 4, 16, SAMPLEFORMAT_UINT, PHOTOMETRIC_RGB, true, true},
    {TImageFormat::R32F, 1, 32, SAMPLEFORMAT_IEEEFP, PHOTOMETRIC_MINISBLACK, false, false},
    {TImageFormat::A32R32G32B32F, 4, 32, SAMPLEFORMAT_IEEEFP, PHOTOMETRIC_RGB, true, true},
    {TImageFormat::R16F, 1, 16, SAMPLEFORMAT_IEEEFP, PHOTOMETRIC_MINISBLACK, false, false},
    {TImageFormat::A16R16G16B16F, 4, 16, SAMPLEFORMAT_IEEEFP, PHOTOMETRIC_RGB, true, true},
};

const TTiffLayout* FindLayout(TImageFormat format) {
  for (const TTiffLayout& layout : kLayouts)
    if (layout.Format == format) return &layout;
  return nullptr;
}

constexpr TImageFormats kSupportedFormats{
    TImageFormat::Index8,   TImageFormat::Gray8,        TImageFormat::A8Gray8,      TImageFormat::Gray16,
    TImageFormat::Gray32,   TImageFormat::A16Gray16,    TImageFormat::R8G8B8,       TImageFormat::A8R8G8B8,
    TImageFormat::R16G16B16, TImageFormat::A16R16G16B16, TImageFormat::R32F,         TImageFormat::A32R32G32B32F,
    TImageFormat::R16F,     TImageFormat::A16R16G16B16F};

constexpr bool EveryLayoutSupported() {
  for (const TTiffLayout& layout : kLayouts)
    if (!kSupportedFormats.Contains(layout.Format)) return false;
  return std::size(kLayouts) == 14;
}
static_assert(EveryLayoutSupported());

// The FCompression setting's codes, by index.
constexpr uint16_t kCompressionCodes[] = {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_PACKBITS,
                                          COMPRESSION_DEFLATE, COMPRESSION_JPEG};

uint16_t CompressionFor(int setting, const TTiffLayout& layout) {
  if (setting < 0 || setting > 4) setting = 1;
  const uint16_t code = kCompressionCodes[setting];
  const bool jpegFits = layout.BitsPerSample == 8 && (layout.Samples == 1 || layout.Samples == 3) &&
                        layout.SampleFormat == SAMPLEFORMAT_UINT && layout.Photometric != PHOTOMETRIC_PALETTE;
  return (code == COMPRESSION_JPEG && !jpegFits) ? COMPRESSION_LZW : code;
}

// libtiff writes through these callbacks into a memory stream (it seeks back to
// patch offsets) and reports errors through OnError instead of stderr.
struct TTiffContext {
  TMemoryStream Data;
  std::exception_ptr StreamFailure;
  std::string Message;
};

TTiffContext& ContextOf(thandle_t handle) { return *static_cast<TTiffContext*>(handle); }

tmsize_t OnRead(thandle_t handle, void* buffer, tmsize_t size) {
  return static_cast<tmsize_t>(ContextOf(handle).Data.Read(buffer, size));
}

tmsize_t OnWrite(thandle_t handle, void* buffer, tmsize_t size) {
  TTiffContext& context = ContextOf(handle);
  try {
    return static_cast<tmsize_t>(context.Data.Write(buffer, size));
  } catch (...) {
    context.StreamFailure = std::current_exception();
    return -1;
  }
}

toff_t OnSeek(thandle_t handle, toff_t offset, int whence) {
  const TSeekOrigin origin = whence == SEEK_SET   ? TSeekOrigin::soBeginning
                             : whence == SEEK_CUR ? TSeekOrigin::soCurrent
                                                  : TSeekOrigin::soEnd;
  return static_cast<toff_t>(ContextOf(handle).Data.Seek(static_cast<int64_t>(offset), origin));
}

int OnClose(thandle_t) { return 0; }

toff_t OnSize(thandle_t handle) { return static_cast<toff_t>(ContextOf(handle).Data.Size()); }

int OnMap(thandle_t, void**, toff_t*) { return 0; }
void OnUnmap(thandle_t, void*, toff_t) {}

int OnError(TIFF*, void* user, const char* module, const char* format, va_list args) {
  auto& context = *static_cast<TTiffContext*>(user);
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  // Keep the first error: later ones are usually consequences.
  if (context.Message.empty()) context.Message = module && *module ? std::string(module) + ": " + text : text;
  return 1;
}

int OnWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TTiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
struct TOptionsFreer {
  void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

[[noreturn]] void RaiseTiffError(const TTiffContext& context, const char* fallback) {
  if (context.StreamFailure) std::rethrow_exception(context.StreamFailure);
  RaiseCodecError("libtiff", context.Message.empty() ? fallback : context.Message);
}

void SetTags(TIFF* tiff, const TImageData& image, const TTiffLayout& layout, uint16_t compression, int jpegQuality) {
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(image.Width));
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(image.Height));
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, layout.Samples);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, layout.BitsPerSample);
  TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, layout.SampleFormat);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, compression);
  if (layout.HasAlpha) {
    const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
  }
  if (compression == COMPRESSION_JPEG) {
    TIFFSetField(tiff, TIFFTAG_JPEGQUALITY, (jpegQuality >= 1 && jpegQuality <= 100) ? jpegQuality : 90);
    if (layout.Photometric == PHOTOMETRIC_RGB) {
      // Colour JPEG data is YCbCr; libtiff converts our RGB rows on the way in.
      TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
      TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    } else {
      TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, layout.Photometric);
    }
  } else {
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, layout.Photometric);
  }
  // Horizontal differencing makes LZW and Deflate pay off on smooth integer
  // images; palette indexes and floats gain nothing from it.
  const bool predictable = compression == COMPRESSION_LZW || compression == COMPRESSION_DEFLATE;
  if (predictable && layout.SampleFormat == SAMPLEFORMAT_UINT && layout.Photometric != PHOTOMETRIC_PALETTE)
    TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  if (layout.Photometric == PHOTOMETRIC_PALETTE) {
    std::vector<uint16_t> map(3 * 256, 0);
    for (size_t i = 0; i < std::min<size_t>(image.Palette.size(), 256); ++i) {
      map[i] = static_cast<uint16_t>(image.Palette[i].R * 257);
      map[256 + i] = static_cast<uint16_t>(image.Palette[i].G * 257);
      map[512 + i] = static_cast<uint16_t>(image.Palette[i].B * 257);
    }
    TIFFSetField(tiff, TIFFTAG_COLORMAP, map.data(), map.data() + 256, map.data() + 512);
  }
}

// Copies rows into strip order, exchanging the first and third samples of every
// pixel for the blue-first formats.
void FillStrip(const TImageData& image, const TTiffLayout& layout, uint32_t firstRow, uint32_t rows,
               std::vector<uint8_t>& strip) {
  const size_t sampleBytes = layout.BitsPerSample / 8;
  const size_t pixelBytes = sampleBytes * layout.Samples;
  const size_t rowBytes = pixelBytes * static_cast<size_t>(image.Width);
  strip.resize(rowBytes * rows);
  std::memcpy(strip.data(), image.Bits.data() + firstRow * rowBytes, strip.size());
  if (!layout.BlueFirst) return;
  for (size_t offset = 0; offset < strip.size(); offset += pixelBytes)
    std::swap_ranges(strip.data() + offset, strip.data() + offset + sampleBytes, strip.data() + offset + 2 * sampleBytes);
}

}  // namespace

TTIFFFileFormat::TTIFFFileFormat()
    : TImageFileFormat("Tagged Image File Format", "*.tif,*.tiff", false, true, true, kSupportedFormats) {}

TImageFormat TTIFFFileFormat::CompatibleFormat(const TImageFormatInfo& source) const {
  if (source.RBSwapFormat != TImageFormat::Unknown && FSupportedFormats.Contains(source.RBSwapFormat))
    return source.RBSwapFormat;
  if (source.IsFloatingPoint)
    return source.ChannelCount == 1 ? TImageFormat::R32F : TImageFormat::A32R32G32B32F;
  if (source.HasGrayChannel) return source.HasAlphaChannel ? TImageFormat::A16Gray16 : TImageFormat::Gray32;
  return source.HasAlphaChannel ? TImageFormat::A8R8G8B8 : TImageFormat::R8G8B8;
}

void TTIFFFileFormat::SaveData(TStream& out, const TImageData& image) {
  const TTiffLayout* layout = FindLayout(image.Format);
  if (!layout) throw EImagingError("TIFF cannot hold images of format " + GetFormatName(image.Format));
  if (image.Width < 0 || image.Height < 0 ||
      static_cast<int64_t>(image.Bits.size()) != GetPixelsSize(image.Format, image.Width, image.Height))
    throw EImagingError("Invalid image: " + ImageToStr(image));

  TTiffContext context;
  std::unique_ptr<TIFFOpenOptions, TOptionsFreer> options(TIFFOpenOptionsAlloc());
  if (!options) throw std::bad_alloc();
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnError, &context);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnWarning, &context);
  std::unique_ptr<TIFF, TTiffCloser> tiff(TIFFClientOpenExt("image", "w", &context, OnRead, OnWrite, OnSeek, OnClose,
                                                            OnSize, OnMap, OnUnmap, options.get()));
  if (!tiff) RaiseTiffError(context, "cannot create the encoder");

  SetTags(tiff.get(), image, *layout, CompressionFor(FCompression, *layout), FJpegQuality);
  const uint32_t rowsPerStrip = std::max<uint32_t>(1, TIFFDefaultStripSize(tiff.get(), 0));
  TIFFSetField(tiff.get(), TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
  if (!context.Message.empty()) RaiseTiffError(context, "");

  std::vector<uint8_t> strip;
  const uint32_t height = static_cast<uint32_t>(image.Height);
  for (uint32_t row = 0, index = 0; row < height; row += rowsPerStrip, ++index) {
    const uint32_t rows = std::min(rowsPerStrip, height - row);
    FillStrip(image, *layout, row, rows, strip);
    if (TIFFWriteEncodedStrip(tiff.get(), index, strip.data(), static_cast<tmsize_t>(strip.size())) < 0)
      RaiseTiffError(context, "cannot write a strip");
  }
  if (!TIFFWriteDirectory(tiff.get())) RaiseTiffError(context, "cannot write the directory");
  tiff.reset();
  if (context.StreamFailure || !context.Message.empty()) RaiseTiffError(context, "");
  out.WriteBuffer(context.Data.Memory(), context.Data.Size());
}
