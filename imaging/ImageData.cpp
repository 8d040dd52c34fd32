#include "ImageData.h"

#include "Exceptions.h"
#include "Format.h"

TImagingLimits& ImagingLimits() {
  static TImagingLimits limits;
  return limits;
}

int64_t GetPixelsSize(TImageFormat format, int64_t width, int64_t height) {
  const TImageFormatInfo& info = GetFormatInfo(format);
  return info.GetPixelsSize ? info.GetPixelsSize(format, width, height) : 0;
}

void CheckDimensions(TImageFormat format, int32_t& width, int32_t& height) {
  const TImageFormatInfo& info = GetFormatInfo(format);
  if (info.CheckDimensions) info.CheckDimensions(format, width, height);
}

int64_t CheckedImageSize(int32_t width, int32_t height, TImageFormat format) {
  const TImageFormatInfo& info = GetFormatInfo(format);
  int32_t w = width;
  int32_t h = height;
  CheckDimensions(format, w, h);
  const int64_t size = w > 0 && h > 0 ? GetPixelsSize(format, w, h) : 0;
  // Size is an int32 field, and a single image is capped well below that.
  if (info.Format == TImageFormat::Unknown || size <= 0 || size > ImagingLimits().MaxImageBytes ||
      size > INT32_MAX) {
    throw EImagingError(Format("Error while creating image data with params: Width=%d Height=%d Format=%s.", width,
                               height, info.Name));
  }
  return size;
}

void NewImage(int32_t width, int32_t height, TImageFormat format, TImageData& image) {
  FreeImage(image);
  const int64_t size = CheckedImageSize(width, height, format);
  int32_t w = width;
  int32_t h = height;
  CheckDimensions(format, w, h);
  image.Bits.assign(static_cast<size_t>(size), 0);
  image.Palette.assign(static_cast<size_t>(GetFormatInfo(format).PaletteEntries), TColor32Rec{});
  image.Width = w;
  image.Height = h;
  image.Format = format;
  image.Size = static_cast<int32_t>(size);
}

void FreeImage(TImageData& image) { image = TImageData{}; }

bool TestImage(const TImageData& image) {
  const TImageFormatInfo& info = GetFormatInfo(image.Format);
  // The buffer must hold Size bytes too: every reader of Bits relies on it.
  return info.Format != TImageFormat::Unknown && image.Width > 0 && image.Height > 0 &&
         image.Size == GetPixelsSize(image.Format, image.Width, image.Height) &&
         image.Bits.size() == static_cast<size_t>(image.Size);
}

std::string ImageToStr(const TImageData& image) {
  return Format("Width=%d Height=%d Format=%s", image.Width, image.Height, GetFormatInfo(image.Format).Name);
}
