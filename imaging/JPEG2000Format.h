// JPEG 2000 writer (OpenJPEG): a JP2 file (or a bare codestream), lossy by
// default, 8 or 16 bits per sample, grey or colour, alpha as its own channel.
#pragma once

#include "ImageFileFormat.h"

class TJPEG2000FileFormat : public TImageFileFormat {
public:
  TJPEG2000FileFormat();

  // 1-100, anything else acts as 80. Quality q asks the rate allocator for a
  // peak signal-to-noise ratio of 25 + q / 4 dB (80 -> 45 dB, 100 -> 50 dB).
  int FQuality = 80;
  bool FCodeStreamOnly = false;       // true: bare J2K codestream without JP2 boxes
  bool FLosslessCompression = false;  // true: reversible 5/3 wavelet, every bit kept

protected:
  TImageFormat CompatibleFormat(const TImageFormatInfo& source) const override;
  void SaveData(TStream& out, const TImageData& image) override;
};

// The PSNR target (dB) that quality q (after its fallback to 80) asks for.
double JPEG2000TargetPSNR(int quality);
