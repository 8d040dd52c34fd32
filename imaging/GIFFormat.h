// Graphics Interchange Format writer (giflib): one frame of an Index8 image.
// Palette entries with alpha 0 become the frame's one transparent colour.
#pragma once

#include "ImageFileFormat.h"

class TGIFFileFormat : public TImageFileFormat {
public:
  TGIFFileFormat();

  bool TestFormat(TStream& stream) override;

protected:
  TImageFormat CompatibleFormat(const TImageFormatInfo& source) const override;
  void SaveData(TStream& out, const TImageData& image) override;
};
