#include "GIFFormat.h"

#include <gif_lib.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <vector>

#include "Exceptions.h"
#include "Format.h"
#include "WriterSupport.h"

namespace {

constexpr uint8_t kSignature87[6] = {'G', 'I', 'F', '8', '7', 'a'};
constexpr uint8_t kSignature89[6] = {'G', 'I', 'F', '8', '9', 'a'};
constexpr int kMaxSide = 65535;  // screen and frame sides are 16-bit fields

struct TGifContext {
  TStream* Out = nullptr;
  std::exception_ptr StreamFailure;
};

int OnWrite(GifFileType* gif, const GifByteType* data, int length) {
  auto& context = *static_cast<TGifContext*>(gif->UserData);
  try {
    context.Out->WriteBuffer(data, length);
    return length;
  } catch (...) {
    context.StreamFailure = std::current_exception();
    return 0;
  }
}

// EGifCloseFile writes the trailer and frees the handle whatever happens.
struct TGifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    EGifCloseFile(gif, &error);
  }
};
struct TMapFree {
  void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

[[noreturn]] void RaiseGifError(const TGifContext& context, int error) {
  if (context.StreamFailure) std::rethrow_exception(context.StreamFailure);
  const char* text = GifErrorString(error);
  RaiseCodecError("giflib", text ? text : Format("error %d", error));
}

// The palette and pixels as the frame stores them: every index whose palette
// entry is fully transparent is folded into one transparent index (GIF has just
// one); partly transparent entries stay opaque.
struct TGifFrame {
  std::vector<GifColorType> Colors;  // a power of two entries, 2 to 256
  std::vector<uint8_t> Remap;        // old index -> written index
  int Transparent = NO_TRANSPARENT_COLOR;
};

TGifFrame PrepareFrame(const TImageData& image) {
  bool used[256] = {};
  for (uint8_t index : image.Bits) used[index] = true;
  int highest = 0;
  for (int i = 0; i < 256; ++i)
    if (used[i]) highest = i;
  if (static_cast<int>(image.Palette.size()) <= highest) throw EImagingError("Palette of the image is missing entries");

  TGifFrame frame;
  frame.Remap.resize(256);
  for (int i = 0; i < 256; ++i) {
    frame.Remap[i] = static_cast<uint8_t>(i);
    if (!used[i] || image.Palette[i].A != 0) continue;
    if (frame.Transparent == NO_TRANSPARENT_COLOR) frame.Transparent = i;
    frame.Remap[i] = static_cast<uint8_t>(frame.Transparent);
  }
  int count = 2;
  while (count <= highest) count *= 2;
  frame.Colors.resize(count);
  for (int i = 0; i <= highest; ++i) {
    const TColor32Rec& entry = image.Palette[i];
    frame.Colors[i] = GifColorType{entry.R, entry.G, entry.B};
  }
  return frame;
}

}  // namespace

TGIFFileFormat::TGIFFileFormat()
    : TImageFileFormat("Graphics Interchange Format", "*.gif", false, true, true, {TImageFormat::Index8}) {}

bool TGIFFileFormat::TestFormat(TStream& stream) {
  return StreamStartsWith(stream, kSignature87, sizeof kSignature87) ||
         StreamStartsWith(stream, kSignature89, sizeof kSignature89);
}

TImageFormat TGIFFileFormat::CompatibleFormat(const TImageFormatInfo&) const { return TImageFormat::Index8; }

void TGIFFileFormat::SaveData(TStream& out, const TImageData& image) {
  if (image.Format != TImageFormat::Index8)
    throw EImagingError("GIF cannot hold images of format " + GetFormatName(image.Format));
  if (image.Width < 0 || image.Height < 0 ||
      static_cast<int64_t>(image.Bits.size()) != GetPixelsSize(image.Format, image.Width, image.Height))
    throw EImagingError("Invalid image: " + ImageToStr(image));
  // giflib would silently cut wider sides to 16 bits and write a broken file.
  if (image.Width > kMaxSide || image.Height > kMaxSide)
    throw EImagingError(Format("GIF images cannot be larger than %d x %d pixels", kMaxSide, kMaxSide));

  const TGifFrame frame = PrepareFrame(image);
  std::unique_ptr<ColorMapObject, TMapFree> map(
      GifMakeMapObject(static_cast<int>(frame.Colors.size()), frame.Colors.data()));
  if (!map) throw std::bad_alloc();

  TGifContext context;
  context.Out = &out;
  int error = 0;
  std::unique_ptr<GifFileType, TGifCloser> gif(EGifOpen(&context, OnWrite, &error));
  if (!gif) RaiseGifError(context, error);

  const bool transparent = frame.Transparent != NO_TRANSPARENT_COLOR;
  EGifSetGifVersion(gif.get(), transparent);
  if (EGifPutScreenDesc(gif.get(), image.Width, image.Height, 8, 0, map.get()) == GIF_ERROR)
    RaiseGifError(context, gif->Error);
  if (transparent) {
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSAL_UNSPECIFIED;
    control.TransparentColor = frame.Transparent;
    GifByteType extension[4];
    const size_t length = EGifGCBToExtension(&control, extension);
    if (EGifPutExtension(gif.get(), GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) == GIF_ERROR)
      RaiseGifError(context, gif->Error);
  }
  if (EGifPutImageDesc(gif.get(), 0, 0, image.Width, image.Height, false, nullptr) == GIF_ERROR)
    RaiseGifError(context, gif->Error);

  // EGifPutLine masks the row in place, so it gets a copy.
  std::vector<GifPixelType> row(static_cast<size_t>(image.Width));
  for (int32_t y = 0; y < image.Height; ++y) {
    const uint8_t* source = image.Bits.data() + static_cast<size_t>(y) * row.size();
    for (size_t x = 0; x < row.size(); ++x) row[x] = frame.Remap[source[x]];
    if (EGifPutLine(gif.get(), row.data(), image.Width) == GIF_ERROR) RaiseGifError(context, gif->Error);
  }
  // Closing writes the trailer; the handle is gone afterwards whatever the outcome.
  if (EGifCloseFile(gif.release(), &error) == GIF_ERROR) RaiseGifError(context, error);
}
