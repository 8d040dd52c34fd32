// Truevision Targa writer: grey, paletted, 16-, 24- and 32-bit colour,
// uncompressed or run-length encoded.
#pragma once

#include "ImageFileFormat.h"

class TTargaFileFormat : public TImageFileFormat {
public:
  TTargaFileFormat();

  bool FUseRLE = false;

protected:
  TImageFormat CompatibleFormat(const TImageFormatInfo& source) const override;
  void SaveData(TStream& out, const TImageData& image) override;
};
