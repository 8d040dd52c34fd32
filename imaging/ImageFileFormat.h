// The base of every picture file format: name, masks, abilities, the formats it
// writes unchanged, its content test and loader, and the one save path.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ImageData.h"
#include "Stream.h"

class TImageFileFormat {
public:
  TImageFileFormat(std::string name, const std::string& masks, bool canLoad, bool canSave,
                   bool isMultiImage, TImageFormats supported);
  virtual ~TImageFileFormat() = default;
  TImageFileFormat(const TImageFileFormat&) = delete;
  TImageFileFormat& operator=(const TImageFileFormat&) = delete;

  std::vector<std::string> FExtensions;  // without the dot
  std::vector<std::string> FMasks;       // "*.bmp", ...
  std::string FName;
  bool FCanLoad = false;
  bool FCanSave = false;
  bool FIsMultiImageFormat = false;
  TImageFormats FSupportedFormats;
  int FFirstIdx = 0;
  int FLastIdx = 0;

  // Content test; leaves the stream position where it was.
  virtual bool TestFormat(TStream& stream);
  // Reads one file from the stream's position into images (emptied first).
  virtual bool LoadFromStream(TStream& stream, TDynImageDataArray& images, bool OnlyFirstLevel);

  // True when one of the masks matches the bare file name (wildcards, any case).
  bool TestFileName(const std::string& fileName) const;

  // Compatible is image itself (MustBeFreed false) when the format is written
  // unchanged, else a converted copy (MustBeFreed true).
  bool MakeCompatible(const TImageData& image, TImageData& compatible, bool& mustBeFreed);

  // Converts the first image as the rules say and writes it to the stream.
  // Failures are raised as they are (no wrapping).
  void SaveImageToStream(TStream& out, const TImageData& image);

  // Converts, then writes through a temporary file renamed into place. Failures
  // raise "Error while saving images to file "%s" (file format: %s)." with the
  // underlying text nested. Returns false when there is nothing to save.
  bool SaveToFile(const std::string& fileName, const TDynImageDataArray& images, bool OnlyFirstLevel);
  // The same for one image held outside a list.
  bool SaveImageToFile(const std::string& fileName, const TImageData& image);

protected:
  // The conversion rule: the format an image of this source format becomes.
  virtual TImageFormat CompatibleFormat(const TImageFormatInfo& source) const;
  // Writes one image that is already in a supported format.
  virtual void SaveData(TStream& out, const TImageData& image);

  // A writer that can convert while it writes says so here and does it in
  // SaveConverted: a large image then never needs a whole converted copy (fresh
  // memory is the main cost of exporting a big texture). SaveToFile uses it; the
  // output must be the same as SaveData's of the converted image.
  virtual bool CanSaveConverted(const TImageData& image, TImageFormat target) const;
  virtual void SaveConverted(TStream& out, const TImageData& image, TImageFormat target);

  // True when the conversion works pixel by pixel, so it can run band by band
  // (not so for a palette chosen from all the image's colours).
  static bool ConvertsPixelByPixel(TImageFormat target);
  // Converts image to target in bands of rows (whole block rows for block
  // formats) and hands each converted band with the index of its first row to
  // sink, from the bottom band up when bottomUp is set.
  static void ForEachConvertedBand(const TImageData& image, TImageFormat target, bool bottomUp,
                                   const std::function<void(const TImageData& band, int32_t firstRow)>& sink);
};
