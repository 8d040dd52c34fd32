// Image objects that load by content and save by file name through the registry.
#pragma once

#include <cstdint>
#include <string>

#include "ImageData.h"
#include "ImageFileFormat.h"
#include "Stream.h"

// What a load found: the format that recognised the content (nullptr when none
// did) and how many images that format's loader produced (0 when it loaded none).
struct TImageLoadResult {
  TImageFileFormat* Format = nullptr;
  int32_t ImageCount = 0;
};

enum class TImageSaveOutcome {
  Written,
  NothingToSave,      // the object holds no valid image
  NoFormatForName,    // no registered mask matches the file name
  FormatCannotWrite,  // the matching format can only be read
};

struct TImageSaveResult {
  TImageSaveOutcome Outcome = TImageSaveOutcome::NothingToSave;
  TImageFileFormat* Format = nullptr;  // the format the name chose, if any
};

class TBaseImage {
public:
  TBaseImage() = default;
  virtual ~TBaseImage() = default;
  TBaseImage(const TBaseImage&) = delete;
  TBaseImage& operator=(const TBaseImage&) = delete;

  virtual bool Valid() const = 0;
  virtual TImageLoadResult LoadFromStream(TStream& stream) = 0;
  virtual TImageSaveResult SaveToFile(const std::string& fileName) = 0;
};

// Holds one image: loading keeps one image of the file and frees the others.
class TSingleImage : public TBaseImage {
public:
  TImageData FImageData;

  bool Valid() const override { return TestImage(FImageData); }

  // Loads the file at the stream's position and keeps its first image. Raises
  // "Input stream has no data. Check Position property." at the stream's end;
  // errors of the format's loader pass through unchanged. Finding no format, or
  // a loader that produces nothing, leaves the object empty without an error.
  TImageLoadResult LoadFromStream(TStream& stream) override { return LoadFromStream(stream, 0); }
  // The same, keeping image `index` instead (empty when the file has fewer).
  TImageLoadResult LoadFromStream(TStream& stream, int32_t index);

  // Writes the image in the format the file name chooses. Nothing is written,
  // and nothing raised, when the object is empty, no format matches the name or
  // the format cannot write; failures while writing raise the saving error.
  TImageSaveResult SaveToFile(const std::string& fileName) override;
};
