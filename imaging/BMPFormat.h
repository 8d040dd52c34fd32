// Windows bitmap: content test and writer (no loader; the export needs none).
#pragma once

#include "ImageFileFormat.h"

class TBMPFileFormat : public TImageFileFormat {
public:
  TBMPFileFormat();

  bool FUseRLE = true;  // 8-bit images RLE8-compressed

  // "BM" followed by a known info-header size.
  bool TestFormat(TStream& stream) override;

protected:
  TImageFormat CompatibleFormat(const TImageFormatInfo& source) const override;
  void SaveData(TStream& out, const TImageData& image) override;
  // Every target but the paletted one converts band by band, bottom row first.
  bool CanSaveConverted(const TImageData& image, TImageFormat target) const override;
  void SaveConverted(TStream& out, const TImageData& image, TImageFormat target) override;
};
