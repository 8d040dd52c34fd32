#include "ImagingTestSupport.h"

#include <algorithm>

#include "Exceptions.h"
#include "PictureReaders.h"
#include "Stream.h"
#include "TestSupport.h"

namespace imaging_tests {

TLoadResult LoadDds(const std::vector<uint8_t>& bytes, int64_t startOffset) {
  TMemoryStream stream;
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  stream.SetPosition(startOffset);
  TDDSFileFormat format;
  TLoadResult result;
  try {
    result.Ok = format.LoadFromStream(stream, result.Images, false);
  } catch (const Exception& e) {
    result.Error = e.Message();
  }
  result.CubeMap = format.FLoadedCubeMap;
  result.Volume = format.FLoadedVolume;
  result.MipMapCount = format.FLoadedMipMapCount;
  result.Depth = format.FLoadedDepth;
  result.StreamPositionAfter = stream.Position();
  return result;
}

TImageData ImageFromBytes(TImageFormat format, int32_t width, int32_t height, const std::vector<uint8_t>& bytes) {
  TImageData image;
  NewImage(width, height, format, image);
  std::copy_n(bytes.begin(), std::min(bytes.size(), image.Bits.size()), image.Bits.begin());
  return image;
}

std::vector<TRgbaPicture> ReadRgbaWithPillow(const std::vector<std::filesystem::path>& paths, std::string& error) {
  std::vector<TRgbaPicture> pictures;
  for (testing_support::DecodedPicture& decoded : testing_support::ReadWithPillow(paths)) {
    if (!decoded.ok) {
      error = decoded.error;
      return {};
    }
    pictures.push_back({decoded.width, decoded.height, std::move(decoded.rgba)});
  }
  return pictures;
}

}  // namespace imaging_tests
