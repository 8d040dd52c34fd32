#include "PNGFormat.h"

#include <png.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>

#include "Exceptions.h"
#include "WriterSupport.h"

// Pixel buffers hold little-endian 16-bit samples; png_set_swap assumes the host
// shares that order.
static_assert(std::endian::native == std::endian::little);

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// How each writable format lies in a PNG. Our 8- and 16-bit colour formats store
// blue first unless their name says otherwise; 16-bit samples are little-endian.
struct TPngLayout {
  TImageFormat Format;
  int ColorType;
  int BitDepth;
  bool BlueFirst;
};

constexpr TPngLayout kLayouts[] = {
    {TImageFormat::Index8, PNG_COLOR_TYPE_PALETTE, 8, false},
    {TImageFormat::Gray8, PNG_COLOR_TYPE_GRAY, 8, false},
    {TImageFormat::A8Gray8, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false},
    {TImageFormat::Gray16, PNG_COLOR_TYPE_GRAY, 16, false},
    {TImageFormat::A16Gray16, PNG_COLOR_TYPE_GRAY_ALPHA, 16, false},
    {TImageFormat::R8G8B8, PNG_COLOR_TYPE_RGB, 8, true},
    {TImageFormat::A8R8G8B8, PNG_COLOR_TYPE_RGB_ALPHA, 8, true},
    {TImageFormat::R16G16B16, PNG_COLOR_TYPE_RGB, 16, true},
    {TImageFormat::A16R16G16B16, PNG_COLOR_TYPE_RGB_ALPHA, 16, true},
    {TImageFormat::B16G16R16, PNG_COLOR_TYPE_RGB, 16, false},
    {TImageFormat::A16B16G16R16, PNG_COLOR_TYPE_RGB_ALPHA, 16, false},
};

const TPngLayout* FindLayout(TImageFormat format) {
  for (const TPngLayout& layout : kLayouts)
    if (layout.Format == format) return &layout;
  return nullptr;
}

// The libpng filter mask for the FPreFilter setting (see EncodePNG).
int FilterMask(int preFilter, int colorType) {
  static constexpr int kFixed[5] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG, PNG_FILTER_PAETH};
  if (preFilter < 0 || preFilter > 6) preFilter = 5;
  if (preFilter <= 4) return kFixed[preFilter];
  // Paletted images get no adaptive filtering: filters rarely pay off on indexes.
  if (preFilter == 6 && colorType != PNG_COLOR_TYPE_PALETTE) return PNG_ALL_FILTERS;
  const bool rgb = colorType == PNG_COLOR_TYPE_RGB || colorType == PNG_COLOR_TYPE_RGB_ALPHA;
  return rgb ? PNG_FILTER_PAETH : PNG_FILTER_NONE;
}

// Everything the guarded frame needs, as plain data.
struct TPngJob {
  png_uint_32 Width = 0;
  png_uint_32 Height = 0;
  const TPngLayout* Layout = nullptr;
  const uint8_t* Bits = nullptr;
  size_t RowBytes = 0;
  int FilterMask = PNG_FILTER_NONE;
  int Level = 5;
  png_color Palette[256] = {};
  png_byte Alpha[256] = {};
  int PaletteCount = 0;
  int AlphaCount = 0;
};

// Shared by the callbacks. libpng reports failures by calling OnError, which
// records the text and longjmps back to WriteGuarded.
struct TPngContext {
  TStream* Out = nullptr;
  std::exception_ptr StreamFailure;
  char Message[256] = {};
  char Warning[256] = {};  // libpng often says why in a warning just before the error
};

void OnError(png_structp png, png_const_charp message) {
  auto* context = static_cast<TPngContext*>(png_get_error_ptr(png));
  std::snprintf(context->Message, sizeof context->Message, "%s", message);
  png_longjmp(png, 1);
}

// Warnings do not stop the encoder; keep them off the console, but remember the
// last one for the error text.
void OnWarning(png_structp png, png_const_charp message) {
  auto* context = static_cast<TPngContext*>(png_get_error_ptr(png));
  std::snprintf(context->Warning, sizeof context->Warning, "%s", message);
}

void OnWrite(png_structp png, png_bytep data, size_t length) {
  auto* context = static_cast<TPngContext*>(png_get_io_ptr(png));
  bool failed = false;
  try {
    context->Out->WriteBuffer(data, static_cast<int64_t>(length));
  } catch (...) {
    context->StreamFailure = std::current_exception();
    failed = true;
  }
  // Leave the catch block before libpng longjmps out of this frame.
  if (failed) png_error(png, "write to the output stream failed");
}

void OnFlush(png_structp) {}

// Every libpng call that can fail runs here. This frame and the ones libpng's
// longjmp skips (libpng's C frames, OnError, OnWrite after its catch block) hold
// nothing with a destructor, so the jump destroys nothing behind our back.
bool WriteGuarded(png_structp png, png_infop info, const TPngJob& job) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, job.Width, job.Height, job.Layout->BitDepth, job.Layout->ColorType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (job.PaletteCount > 0) png_set_PLTE(png, info, job.Palette, job.PaletteCount);
  if (job.AlphaCount > 0) png_set_tRNS(png, info, job.Alpha, job.AlphaCount, nullptr);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, job.FilterMask);
  png_set_compression_level(png, job.Level);
  png_write_info(png, info);
  if (job.Layout->BlueFirst) png_set_bgr(png);
  if (job.Layout->BitDepth == 16) png_set_swap(png);
  for (png_uint_32 y = 0; y < job.Height; ++y) png_write_row(png, job.Bits + y * job.RowBytes);
  png_write_end(png, info);
  return true;
}

// The write and info structs, released together.
struct TPngWriter {
  png_structp Png = nullptr;
  png_infop Info = nullptr;
  ~TPngWriter() { png_destroy_write_struct(&Png, &Info); }
};

// PLTE holds the entries up to the highest index in use; tRNS the alphas up to
// the last one that is not opaque.
void FillPalette(const TImageData& image, TPngJob& job) {
  const uint8_t highest = image.Bits.empty() ? 0 : *std::max_element(image.Bits.begin(), image.Bits.end());
  if (image.Palette.size() <= highest) throw EImagingError("Palette of the image is missing entries");
  job.PaletteCount = highest + 1;
  for (int i = 0; i < job.PaletteCount; ++i) {
    const TColor32Rec& entry = image.Palette[i];
    job.Palette[i] = png_color{entry.R, entry.G, entry.B};
    job.Alpha[i] = entry.A;
    if (entry.A != 255) job.AlphaCount = i + 1;
  }
}

}  // namespace

TImageFormat PNGCompatibleFormat(const TImageFormatInfo& source) {
  if (source.HasGrayChannel) {
    if (source.HasAlphaChannel) return source.BytesPerPixel > 2 ? TImageFormat::A16Gray16 : TImageFormat::A8Gray8;
    return TImageFormat::Gray16;
  }
  if (source.IsFloatingPoint) return source.HasAlphaChannel ? TImageFormat::A16B16G16R16 : TImageFormat::B16G16R16;
  if (source.HasAlphaChannel || source.IsSpecial) return TImageFormat::A8R8G8B8;
  return TImageFormat::R8G8B8;
}

void EncodePNG(TStream& out, const TImageData& image, int preFilter, int compressLevel) {
  const TPngLayout* layout = FindLayout(image.Format);
  if (!layout) throw EImagingError("PNG cannot hold images of format " + GetFormatName(image.Format));
  if (image.Width < 0 || image.Height < 0 ||
      static_cast<int64_t>(image.Bits.size()) != GetPixelsSize(image.Format, image.Width, image.Height))
    throw EImagingError("Invalid image: " + ImageToStr(image));

  auto job = std::make_unique<TPngJob>();
  job->Width = static_cast<png_uint_32>(image.Width);
  job->Height = static_cast<png_uint_32>(image.Height);
  job->Layout = layout;
  job->Bits = image.Bits.data();
  job->RowBytes = static_cast<size_t>(image.Width) * static_cast<size_t>(GetFormatInfo(image.Format).BytesPerPixel);
  job->FilterMask = FilterMask(preFilter, layout->ColorType);
  job->Level = (compressLevel >= 0 && compressLevel <= 9) ? compressLevel : 5;
  if (layout->ColorType == PNG_COLOR_TYPE_PALETTE) FillPalette(image, *job);

  TPngContext context;
  context.Out = &out;
  TPngWriter writer;
  writer.Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &context, OnError, OnWarning);
  if (writer.Png) writer.Info = png_create_info_struct(writer.Png);
  if (!writer.Png || !writer.Info) RaiseCodecError("libpng", "cannot create the encoder");
  png_set_write_fn(writer.Png, &context, OnWrite, OnFlush);

  if (!WriteGuarded(writer.Png, writer.Info, *job)) {
    if (context.StreamFailure) std::rethrow_exception(context.StreamFailure);
    const std::string message = context.Message;
    RaiseCodecError("libpng", context.Warning[0] ? message + " (" + context.Warning + ")" : message);
  }
}

TPNGFileFormat::TPNGFileFormat()
    : TImageFileFormat("Portable Network Graphics", "*.png", false, true, false, kPNGSupportedFormats) {}

bool TPNGFileFormat::TestFormat(TStream& stream) { return StreamStartsWith(stream, kSignature, sizeof kSignature); }

TImageFormat TPNGFileFormat::CompatibleFormat(const TImageFormatInfo& source) const {
  return PNGCompatibleFormat(source);
}

void TPNGFileFormat::SaveData(TStream& out, const TImageData& image) {
  EncodePNG(out, image, FPreFilter, FCompressLevel);
}
