#include "JPEG2000Format.h"

#include <openjpeg.h>

#include <algorithm>
#include <bit>
#include <exception>
#include <memory>
#include <string>

#include "Exceptions.h"
#include "WriterSupport.h"

static_assert(std::endian::native == std::endian::little);

namespace {

// Where each component's sample sits in a pixel (in samples), red or grey first,
// alpha last. Our colour formats store blue first.
struct TJ2kLayout {
  TImageFormat Format;
  int Components;
  int SampleBytes;
  int Offsets[4];
  bool HasAlpha;
};

constexpr TJ2kLayout kLayouts[] = {
    {TImageFormat::Gray8, 1, 1, {0}, false},
    {TImageFormat::A8Gray8, 2, 1, {0, 1}, true},
    {TImageFormat::Gray16, 1, 2, {0}, false},
    {TImageFormat::A16Gray16, 2, 2, {0, 1}, true},
    {TImageFormat::R8G8B8, 3, 1, {2, 1, 0}, false},
    {TImageFormat::A8R8G8B8, 4, 1, {2, 1, 0, 3}, true},
    {TImageFormat::R16G16B16, 3, 2, {2, 1, 0}, false},
    {TImageFormat::A16R16G16B16, 4, 2, {2, 1, 0, 3}, true},
};

const TJ2kLayout* FindLayout(TImageFormat format) {
  for (const TJ2kLayout& layout : kLayouts)
    if (layout.Format == format) return &layout;
  return nullptr;
}

// OpenJPEG writes into a memory stream: the JP2 writer seeks back to patch the
// codestream box, which a file being written in place may not allow.
struct TJ2kContext {
  TMemoryStream Data;
  std::exception_ptr StreamFailure;
  std::string Message;
};

OPJ_SIZE_T OnWrite(void* buffer, OPJ_SIZE_T size, void* user) {
  auto& context = *static_cast<TJ2kContext*>(user);
  try {
    context.Data.WriteBuffer(buffer, static_cast<int64_t>(size));
    return size;
  } catch (...) {
    context.StreamFailure = std::current_exception();
    return static_cast<OPJ_SIZE_T>(-1);
  }
}

OPJ_OFF_T OnSkip(OPJ_OFF_T count, void* user) {
  auto& context = *static_cast<TJ2kContext*>(user);
  context.Data.Seek(count, TSeekOrigin::soCurrent);
  return count;
}

OPJ_BOOL OnSeek(OPJ_OFF_T position, void* user) {
  auto& context = *static_cast<TJ2kContext*>(user);
  return context.Data.Seek(position, TSeekOrigin::soBeginning) == position ? OPJ_TRUE : OPJ_FALSE;
}

void OnError(const char* message, void* user) {
  auto& context = *static_cast<TJ2kContext*>(user);
  if (!context.Message.empty()) return;  // the first error names the cause
  context.Message = message;
  while (!context.Message.empty() && (context.Message.back() == '\n' || context.Message.back() == ' '))
    context.Message.pop_back();
}

void OnQuiet(const char*, void*) {}

struct TImageFree {
  void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};
struct TCodecFree {
  void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct TStreamFree {
  void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};

// Spreads the interleaved pixels over OpenJPEG's one-plane-per-component image.
std::unique_ptr<opj_image_t, TImageFree> MakeImage(const TImageData& image, const TJ2kLayout& layout) {
  opj_image_cmptparm_t params[4] = {};
  for (int c = 0; c < layout.Components; ++c) {
    params[c].dx = params[c].dy = 1;
    params[c].w = static_cast<OPJ_UINT32>(image.Width);
    params[c].h = static_cast<OPJ_UINT32>(image.Height);
    params[c].prec = static_cast<OPJ_UINT32>(8 * layout.SampleBytes);
    params[c].sgnd = 0;
  }
  const OPJ_COLOR_SPACE space = layout.Components >= 3 ? OPJ_CLRSPC_SRGB : OPJ_CLRSPC_GRAY;
  std::unique_ptr<opj_image_t, TImageFree> result(
      opj_image_create(static_cast<OPJ_UINT32>(layout.Components), params, space));
  if (!result) throw std::bad_alloc();
  result->x0 = result->y0 = 0;
  result->x1 = static_cast<OPJ_UINT32>(image.Width);
  result->y1 = static_cast<OPJ_UINT32>(image.Height);
  if (layout.HasAlpha) result->comps[layout.Components - 1].alpha = 1;

  const size_t pixels = static_cast<size_t>(image.Width) * static_cast<size_t>(image.Height);
  const size_t pixelBytes = static_cast<size_t>(layout.Components * layout.SampleBytes);
  for (int c = 0; c < layout.Components; ++c) {
    OPJ_INT32* plane = result->comps[c].data;
    const uint8_t* src = image.Bits.data() + layout.Offsets[c] * layout.SampleBytes;
    if (layout.SampleBytes == 1) {
      for (size_t i = 0; i < pixels; ++i) plane[i] = src[i * pixelBytes];
    } else {
      for (size_t i = 0; i < pixels; ++i) plane[i] = src[i * pixelBytes] | (src[i * pixelBytes + 1] << 8);
    }
  }
  return result;
}

// OpenJPEG refuses more wavelet levels than the smaller side can be halved.
int ResolutionsFor(const TImageData& image) {
  int resolutions = 1;
  const int smaller = std::min(image.Width, image.Height);
  while (resolutions < 6 && (smaller >> resolutions) > 0) ++resolutions;
  return resolutions;
}

}  // namespace

double JPEG2000TargetPSNR(int quality) {
  if (quality < 1 || quality > 100) quality = 80;
  return 25.0 + quality / 4.0;
}

TJPEG2000FileFormat::TJPEG2000FileFormat()
    : TImageFileFormat("JPEG 2000 Image", "*.jp2,*.j2k,*.j2c,*.jpx,*.jpc", false, true, false,
                       {TImageFormat::Gray8, TImageFormat::A8Gray8, TImageFormat::Gray16, TImageFormat::A16Gray16,
                        TImageFormat::R8G8B8, TImageFormat::A8R8G8B8, TImageFormat::R16G16B16,
                        TImageFormat::A16R16G16B16}) {}

TImageFormat TJPEG2000FileFormat::CompatibleFormat(const TImageFormatInfo& source) const {
  if (source.IsFloatingPoint) return source.ChannelCount == 1 ? TImageFormat::Gray16 : TImageFormat::A16R16G16B16;
  if (source.HasGrayChannel) return source.HasAlphaChannel ? TImageFormat::A16Gray16 : TImageFormat::Gray16;
  if (source.IsIndexed) return TImageFormat::A8R8G8B8;
  // Block formats count as under two bytes per channel (their BytesPerPixel is 0).
  if (source.BytesPerPixel < 2 * source.ChannelCount)
    return source.HasAlphaChannel ? TImageFormat::A8R8G8B8 : TImageFormat::R8G8B8;
  return source.HasAlphaChannel ? TImageFormat::A16R16G16B16 : TImageFormat::R16G16B16;
}

void TJPEG2000FileFormat::SaveData(TStream& out, const TImageData& image) {
  const TJ2kLayout* layout = FindLayout(image.Format);
  if (!layout) throw EImagingError("JPEG 2000 cannot hold images of format " + GetFormatName(image.Format));
  if (image.Width < 0 || image.Height < 0 ||
      static_cast<int64_t>(image.Bits.size()) != GetPixelsSize(image.Format, image.Width, image.Height))
    throw EImagingError("Invalid image: " + ImageToStr(image));

  auto j2kImage = MakeImage(image, *layout);
  opj_cparameters_t params;
  opj_set_default_encoder_parameters(&params);
  params.numresolution = ResolutionsFor(image);
  params.tcp_numlayers = 1;
  params.tcp_mct = layout->Components >= 3 ? 1 : 0;
  if (FLosslessCompression) {
    params.irreversible = 0;
    params.tcp_rates[0] = 0;  // keep everything
    params.cp_disto_alloc = 1;
  } else {
    params.irreversible = 1;
    params.cp_fixed_quality = 1;
    params.tcp_distoratio[0] = static_cast<float>(JPEG2000TargetPSNR(FQuality));
  }

  TJ2kContext context;
  std::unique_ptr<opj_codec_t, TCodecFree> codec(opj_create_compress(FCodeStreamOnly ? OPJ_CODEC_J2K : OPJ_CODEC_JP2));
  if (!codec) RaiseCodecError("OpenJPEG", "cannot create the encoder");
  opj_set_error_handler(codec.get(), OnError, &context);
  opj_set_warning_handler(codec.get(), OnQuiet, &context);
  opj_set_info_handler(codec.get(), OnQuiet, &context);

  std::unique_ptr<opj_stream_t, TStreamFree> stream(opj_stream_create(1 << 16, OPJ_FALSE));
  if (!stream) throw std::bad_alloc();
  opj_stream_set_user_data(stream.get(), &context, nullptr);
  opj_stream_set_write_function(stream.get(), OnWrite);
  opj_stream_set_skip_function(stream.get(), OnSkip);
  opj_stream_set_seek_function(stream.get(), OnSeek);

  const bool ok = opj_setup_encoder(codec.get(), &params, j2kImage.get()) &&
                  opj_start_compress(codec.get(), j2kImage.get(), stream.get()) &&
                  opj_encode(codec.get(), stream.get()) && opj_end_compress(codec.get(), stream.get());
  if (!ok) {
    if (context.StreamFailure) std::rethrow_exception(context.StreamFailure);
    RaiseCodecError("OpenJPEG", context.Message.empty() ? "encoding failed" : context.Message);
  }
  out.WriteBuffer(context.Data.Memory(), context.Data.Size());
}
