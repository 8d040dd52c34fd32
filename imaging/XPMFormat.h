// X Window pixmap writer (XPM 3): a C source text with a colour table of the
// colours the image uses and one string per pixel row.
#pragma once

#include "ImageFileFormat.h"

class TXPMFileFormat : public TImageFileFormat {
public:
  TXPMFileFormat();

protected:
  TImageFormat CompatibleFormat(const TImageFormatInfo& source) const override;
  void SaveData(TStream& out, const TImageData& image) override;
};
