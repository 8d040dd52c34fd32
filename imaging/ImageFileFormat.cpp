#include "ImageFileFormat.h"

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
    // Convert before touching the file system: a failed conversion leaves nothing
    // behind, and a failed write leaves the file it would replace as it was.
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
