#include "ConvertOutput.h"

#include <algorithm>
#include <cctype>

#include "CliSupport.h"
#include "Exceptions.h"
#include "Export.h"
#include "ImageRegistry.h"

std::string ConvertExtension(const std::string& word) {
  const std::string extension = !word.empty() && word[0] == '.' ? word.substr(1) : word;
  // Letters and digits only: the extension becomes part of file names.
  const bool plain = !extension.empty() && std::all_of(extension.begin(), extension.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
  });
  const TImageFileFormat* format = plain ? FindImageFileFormatByName("picture." + extension) : nullptr;
  if (!format || !format->FCanSave) {
    throw UsageError("--convert: '" + word + "' is not the extension of a picture format that can be written");
  }
  return extension;
}

bool IsTextureEntry(const TIEFile_Entry& entry) { return entry.TypeName == "Texture" || entry.TypeName == "Mipmap"; }

std::string WithExtension(const std::string& name, const std::string& extension) {
  const size_t dot = name.rfind('.');
  const size_t stemEnd = dot == std::string::npos || dot == 0 ? name.size() : dot;
  return name.substr(0, stemEnd) + "." + extension;
}

void ExportOrThrow(TStream& source, const std::string& path, int32_t subimage) {
  const TExportResult result = ExportMainImage(source, path, subimage);
  if (result.Outcome != TExportOutcome::Written) throw Exception(ExportOutcomeText(result, path, subimage));
}

void ConvertEntryToFile(const TIEFile_Entry& entry, const std::string& path) {
  const std::unique_ptr<TMemoryStream> bytes = entry.AsStream();
  ExportOrThrow(*bytes, path);
}
