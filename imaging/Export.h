// The one export path: the preview window's "Export Texture", `quorvin-cli export`
// and `convert`, and extraction with conversion all write pictures through it.
#pragma once

#include <cstdint>
#include <string>

#include "ImageFileFormat.h"
#include "Stream.h"

enum class TExportOutcome {
  Written,
  NotRecognised,      // no registered format recognises the input
  NothingLoaded,      // recognised, but its loader produced no image (unsupported pixel format)
  NoSuchSubimage,     // the input has fewer images than the index asked for
  NoFormatForName,    // no picture format matches the output name
  FormatCannotWrite,  // the output name chooses a read-only format
};

struct TExportResult {
  TExportOutcome Outcome = TExportOutcome::NotRecognised;
  const TImageFileFormat* InputFormat = nullptr;   // what recognised the input
  const TImageFileFormat* OutputFormat = nullptr;  // what the output name chose
  int32_t ImageCount = 0;                          // images the input held
};

// Loads image `subimage` (0: the main image) of the picture at the stream's
// position, puts the stream back where it was, and writes the image to fileName
// in the format its name chooses, converted as that format needs. Only Written
// leaves a file behind. Raises the loading errors (including "Input stream has no
// data. Check Position property.") and the saving error; every other reason for
// writing nothing is reported in the result, for callers that must stay silent.
TExportResult ExportMainImage(TStream& source, const std::string& fileName, int32_t subimage = 0);

// Why nothing was written, as a sentence for the command line; empty for Written.
std::string ExportOutcomeText(const TExportResult& result, const std::string& fileName, int32_t subimage = 0);
