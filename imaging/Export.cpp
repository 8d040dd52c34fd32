#include "Export.h"

#include "Format.h"
#include "SingleImage.h"

TExportResult ExportMainImage(TStream& source, const std::string& fileName, int32_t subimage) {
  const int64_t start = source.Position();
  TSingleImage image;
  const TImageLoadResult loaded = image.LoadFromStream(source, subimage);
  // Rewound only after a load that did not raise, so a later export reads the
  // same bytes again.
  source.SetPosition(start);

  TExportResult result;
  result.InputFormat = loaded.Format;
  result.ImageCount = loaded.ImageCount;
  if (!loaded.Format) return result;
  if (loaded.ImageCount == 0) {
    result.Outcome = TExportOutcome::NothingLoaded;
    return result;
  }
  if (!image.Valid()) {
    result.Outcome = TExportOutcome::NoSuchSubimage;
    return result;
  }
  const TImageSaveResult saved = image.SaveToFile(fileName);
  result.OutputFormat = saved.Format;
  switch (saved.Outcome) {
    case TImageSaveOutcome::Written: result.Outcome = TExportOutcome::Written; break;
    case TImageSaveOutcome::NoFormatForName: result.Outcome = TExportOutcome::NoFormatForName; break;
    case TImageSaveOutcome::FormatCannotWrite: result.Outcome = TExportOutcome::FormatCannotWrite; break;
    // A loaded image that is not valid: the loader's fault, reported as nothing loaded.
    case TImageSaveOutcome::NothingToSave: result.Outcome = TExportOutcome::NothingLoaded; break;
  }
  return result;
}

std::string ExportOutcomeText(const TExportResult& result, const std::string& fileName, int32_t subimage) {
  const std::string inputName = result.InputFormat ? result.InputFormat->FName : std::string();
  const std::string outputName = result.OutputFormat ? result.OutputFormat->FName : std::string();
  switch (result.Outcome) {
    case TExportOutcome::Written:
      return {};
    case TExportOutcome::NotRecognised:
      return "the input is not a DDS texture nor any other known picture file; nothing was written";
    case TExportOutcome::NothingLoaded:
      if (inputName == "DirectDraw Surface") {
        return "the texture's pixel format is not supported, so it holds no image to export; nothing was written";
      }
      return "images of the " + inputName + " format cannot be loaded; nothing was written";
    case TExportOutcome::NoSuchSubimage:
      return Format("subimage %d does not exist: the texture has %d subimage(s), counted from 0; nothing was written",
                    subimage, result.ImageCount);
    case TExportOutcome::NoFormatForName:
      return "no picture format matches the file name \"" + fileName + "\"; nothing was written";
    case TExportOutcome::FormatCannotWrite:
      return "the " + outputName + " format chosen by \"" + fileName + "\" can only be read; nothing was written";
  }
  return {};
}
