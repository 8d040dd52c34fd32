// Photoshop image writer: 8, 16 and 32 bits per channel, grey, RGB and indexed
// colour, alpha as an extra channel, the image optionally also stored as one
// layer.
#pragma once

#include "ImageFileFormat.h"

class TPSDFileFormat : public TImageFileFormat {
public:
  TPSDFileFormat();

  // The image also goes into the layer section as one layer named "Layer 1",
  // so editors open it as an editable layer rather than a flat background.
  // Indexed images never get a layer: the format allows none in that mode.
  bool FSaveAsLayer = true;

protected:
  TImageFormat CompatibleFormat(const TImageFormatInfo& source) const override;
  void SaveData(TStream& out, const TImageData& image) override;
};
