#include "ImageFileFormat.h"

#include <algorithm>
#include <cctype>

#include "Exceptions.h"
#include "Format.h"

namespace {

std::vector<std::string> SplitMasks(const std::string& masks) {
  std::vector<std::string> result;
  size_t begin = 0;
  while (begin <= masks.size()) {
    size_t comma = masks.find(',', begin);
    if (comma == std::string::npos) comma = masks.size();
    if (comma > begin) result.push_back(masks.substr(begin, comma - begin));
    begin = comma + 1;
  }
  return result;
}

// Wildcard match, "*" any run and "?" one character, ASCII letters in any case.
bool MatchesMask(const char* name, const char* mask) {
  const char* starMask = nullptr;
  const char* starName = nullptr;
  while (*name) {
    if (*mask == '*') {
      starMask = ++mask;
      starName = name;
    } else if (*mask == '?' ||
               std::tolower(static_cast<unsigned char>(*mask)) == std::tolower(static_cast<unsigned char>(*name))) {
      ++mask;
      ++name;
    } else if (starMask) {
      mask = starMask;
      name = ++starName;
    } else {
      return false;
    }
  }
  while (*mask == '*') ++mask;
  return *mask == '\0';
}

std::string BareFileName(const std::string& fileName) {
  const size_t cut = fileName.find_last_of("/\\");
  return cut == std::string::npos ? fileName : fileName.substr(cut + 1);
}

}  // namespace

TImageFileFormat::TImageFileFormat(std::string name, const std::string& masks, bool canLoad, bool canSave,
                                   bool isMultiImage, TImageFormats supported)
    : FMasks(SplitMasks(masks)),
      FName(std::move(name)),
      FCanLoad(canLoad),
      FCanSave(canSave),
      FIsMultiImageFormat(isMultiImage),
      FSupportedFormats(supported) {
  for (const std::string& mask : FMasks) {
    if (mask.size() > 2 && mask.compare(0, 2, "*.") == 0) FExtensions.push_back(mask.substr(2));
  }
}

bool TImageFileFormat::TestFormat(TStream&) { return false; }

bool TImageFileFormat::LoadFromStream(TStream&, TDynImageDataArray& images, bool) {
  images.clear();
  return false;
}

bool TImageFileFormat::TestFileName(const std::string& fileName) const {
  const std::string bare = BareFileName(fileName);
  if (bare.find('\0') != std::string::npos) return false;
  for (const std::string& mask : FMasks) {
    if (MatchesMask(bare.c_str(), mask.c_str())) return true;
  }
  return false;
}

TImageFormat TImageFileFormat::CompatibleFormat(const TImageFormatInfo&) const { return TImageFormat::A8R8G8B8; }

void TImageFileFormat::SaveData(TStream&, const TImageData&) {
  throw Exception("Writing " + FName + " files is not yet implemented");
}

bool TImageFileFormat::MakeCompatible(const TImageData& image, TImageData& compatible, bool& mustBeFreed) {
  mustBeFreed = false;
  if (FSupportedFormats.Contains(image.Format)) return true;
  compatible = image;
  ConvertImageFormat(compatible, CompatibleFormat(GetFormatInfo(image.Format)));
  mustBeFreed = true;
  return true;
}

void TImageFileFormat::SaveImageToStream(TStream& out, const TImageData& image) {
  if (!TestImage(image)) throw EImagingError("Cannot save an invalid image. " + ImageToStr(image));
  TImageData converted;
  bool mustBeFreed = false;
  MakeCompatible(image, converted, mustBeFreed);
  SaveData(out, mustBeFreed ? converted : image);
}

bool TImageFileFormat::SaveToFile(const std::string& fileName, const TDynImageDataArray& images, bool) {
  FFirstIdx = FLastIdx = 0;
  return !images.empty() && SaveImageToFile(fileName, images[0]);
}

bool TImageFileFormat::SaveImageToFile(const std::string& fileName, const TImageData& image) {
  if (!FCanSave || !TestImage(image)) return false;
  try {
    // The file it replaces stays as it was until everything is written: a failed
    // conversion or write leaves nothing behind.
    const TImageFormat target =
        FSupportedFormats.Contains(image.Format) ? image.Format : CompatibleFormat(GetFormatInfo(image.Format));
    if (target != image.Format && CanSaveConverted(image, target)) {
      TSafeFileStream out(fileName);
      SaveConverted(out, image, target);
      out.Commit();
      return true;
    }
    TImageData converted;
    bool mustBeFreed = false;
    MakeCompatible(image, converted, mustBeFreed);
    TSafeFileStream out(fileName);
    SaveData(out, mustBeFreed ? converted : image);
    out.Commit();
  } catch (...) {
    const std::string extension = FExtensions.empty() ? std::string() : FExtensions.front();
    throw EImagingError(
        Format("Error while saving images to file \"%s\" (file format: %s).", fileName.c_str(), extension.c_str()),
        CurrentExceptionText());
  }
  return true;
}

bool TImageFileFormat::CanSaveConverted(const TImageData&, TImageFormat) const { return false; }

void TImageFileFormat::SaveConverted(TStream&, const TImageData&, TImageFormat) {
  throw Exception(FName + " cannot convert while writing");
}

bool TImageFileFormat::ConvertsPixelByPixel(TImageFormat target) {
  const TImageFormatInfo& info = GetFormatInfo(target);
  return info.Format != TImageFormat::Unknown && !info.IsIndexed && !info.IsSpecial;
}

void TImageFileFormat::ForEachConvertedBand(const TImageData& image, TImageFormat target, bool bottomUp,
                                            const std::function<void(const TImageData&, int32_t)>& sink) {
  // About 64 KiB of converted pixels per band: small enough to stay in the cache
  // and be reused from one band to the next. Bands start on multiples of four
  // rows, so block formats are cut between block rows.
  constexpr int64_t kBandBytes = 64 * 1024;
  const int64_t rowBytes = int64_t{image.Width} * std::max(1, GetFormatInfo(target).BytesPerPixel);
  const int64_t wanted = std::max<int64_t>(4, kBandBytes / std::max<int64_t>(1, rowBytes));
  const int32_t rows = static_cast<int32_t>(std::min<int64_t>((wanted + 3) / 4 * 4, (image.Height + 3) / 4 * 4));
  const int32_t bands = (image.Height + rows - 1) / rows;
  TImageData band;
  for (int32_t i = 0; i < bands; ++i) {
    const int32_t firstRow = (bottomUp ? bands - 1 - i : i) * rows;
    const int32_t height = std::min(rows, image.Height - firstRow);
    const int64_t offset = GetPixelsSize(image.Format, image.Width, firstRow);
    const int64_t size = GetPixelsSize(image.Format, image.Width, height);
    band.Width = image.Width;
    band.Height = height;
    band.Format = image.Format;
    band.Size = static_cast<int32_t>(size);
    band.Bits.assign(image.Bits.begin() + offset, image.Bits.begin() + offset + size);
    band.Palette = image.Palette;
    try {
      ConvertImageFormat(band, target);
    } catch (...) {
      // Name the whole image, as a conversion of it in one piece would.
      throw EImagingError(Format("Error while converting image to format \"%s\". %s", GetFormatInfo(target).Name,
                                 ImageToStr(image).c_str()));
    }
    sink(band, firstRow);
  }
}
