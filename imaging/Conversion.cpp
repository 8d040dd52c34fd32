#include "Exceptions.h"
#include "Format.h"
#include "ImageData.h"

void ConvertImageFormat(TImageData& image, TImageFormat destFormat) {
  if (image.Format == destFormat) return;
  throw EImagingError(Format("Error while converting image to format \"%s\". %s", GetFormatInfo(destFormat).Name,
                             ImageToStr(image).c_str()));
}
