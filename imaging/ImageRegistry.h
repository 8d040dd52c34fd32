// The registry of picture file formats: one table, filled once, alive for the
// whole run. Its order matters: content detection walks it first to last, the
// choice by file name last to first.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ImageFileFormat.h"
#include "Stream.h"

using TImageFileFormatList = std::vector<std::unique_ptr<TImageFileFormat>>;

// Every registered format in registry order.
const TImageFileFormatList& ImageFileFormats();

// The first format whose content test accepts the stream (the position is kept),
// or nullptr.
TImageFileFormat* FindImageFileFormatByContent(TStream& stream);

// The last format with a mask matching the bare file name (folders removed;
// wildcards, any letter case), or nullptr.
TImageFileFormat* FindImageFileFormatByName(const std::string& fileName);
