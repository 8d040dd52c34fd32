// The writable members of the portable map family: grey map (PGM), pixel map
// (PPM), arbitrary map (PAM) and float map (PFM). Each is a short text header
// followed by the samples; the read-only bit map stays a plain registry row.
#pragma once

#include <string>

#include "ImageFileFormat.h"

// PGM and PPM: one magic pair each ("P5"/"P2", "P6"/"P3"), the rest alike.
class TAnyMapFileFormat : public TImageFileFormat {
public:
  bool FSaveBinary = true;  // raw samples; false gives the plain (decimal text) variant

protected:
  TAnyMapFileFormat(std::string name, const std::string& masks, TImageFormats supported, char binaryMagic,
                    char plainMagic);
  void SaveData(TStream& out, const TImageData& image) override;

private:
  char FBinaryMagic;
  char FPlainMagic;
};

class TPGMFileFormat : public TAnyMapFileFormat {
public:
  TPGMFileFormat();

protected:
  TImageFormat CompatibleFormat(const TImageFormatInfo& source) const override;
};

class TPPMFileFormat : public TAnyMapFileFormat {
public:
  TPPMFileFormat();

protected:
  TImageFormat CompatibleFormat(const TImageFormatInfo& source) const override;
};

class TPAMFileFormat : public TImageFileFormat {
public:
  TPAMFileFormat();

protected:
  TImageFormat CompatibleFormat(const TImageFormatInfo& source) const override;
  void SaveData(TStream& out, const TImageData& image) override;
};

class TPFMFileFormat : public TImageFileFormat {
public:
  TPFMFileFormat();

protected:
  TImageFormat CompatibleFormat(const TImageFormatInfo& source) const override;
  void SaveData(TStream& out, const TImageData& image) override;
};
