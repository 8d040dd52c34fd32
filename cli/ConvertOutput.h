// Texture entries and DDS files written as pictures through the one shared
// export path: `extract --convert EXT`, `export` and `convert`.
#pragma once

#include <cstdint>
#include <string>

#include "Stream.h"
#include "TavrelLib.h"

// The extension of --convert EXT (a leading dot dropped), checked to choose a
// picture format that can be written; UsageError otherwise.
std::string ConvertExtension(const std::string& word);

// The entries --convert turns into pictures.
bool IsTextureEntry(const TIEFile_Entry& entry);

// name with its extension (from the last dot that does not start the name)
// replaced by extension, or with extension added when it has none.
std::string WithExtension(const std::string& name, const std::string& extension);

// Writes subimage of the DDS texture in source to path through the shared export
// path, in the format path's extension chooses. Throws the loading or writing
// error, or an Exception saying why nothing was written.
void ExportOrThrow(TStream& source, const std::string& path, int32_t subimage = 0);

// Writes the main image of the texture entry to path, in the format path's
// extension chooses. Throws the loading or writing error, or an Exception saying
// why nothing was written (a texture that is not a picture, an unsupported pixel
// format).
void ConvertEntryToFile(const TIEFile_Entry& entry, const std::string& path);
