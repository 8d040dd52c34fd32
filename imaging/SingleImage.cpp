#include "SingleImage.h"

#include "Exceptions.h"
#include "ImageRegistry.h"

TImageLoadResult TSingleImage::LoadFromStream(TStream& stream, int32_t index) {
  if (stream.Position() >= stream.Size()) {
    throw EImagingError("Input stream has no data. Check Position property.");
  }
  FreeImage(FImageData);
  TImageLoadResult result;
  result.Format = FindImageFileFormatByContent(stream);
  if (!result.Format) return result;
  TDynImageDataArray images;
  if (!result.Format->LoadFromStream(stream, images, true)) return result;
  result.ImageCount = static_cast<int32_t>(images.size());
  if (index >= 0 && index < result.ImageCount) FImageData = std::move(images[static_cast<size_t>(index)]);
  return result;
}

TImageSaveResult TSingleImage::SaveToFile(const std::string& fileName) {
  TImageSaveResult result;
  if (!Valid()) return result;
  result.Format = FindImageFileFormatByName(fileName);
  if (!result.Format) {
    result.Outcome = TImageSaveOutcome::NoFormatForName;
  } else if (!result.Format->FCanSave) {
    result.Outcome = TImageSaveOutcome::FormatCannotWrite;
  } else {
    result.Format->SaveImageToFile(fileName, FImageData);
    result.Outcome = TImageSaveOutcome::Written;
  }
  return result;
}
