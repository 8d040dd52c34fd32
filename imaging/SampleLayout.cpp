#include "SampleLayout.h"

#include <stdexcept>
#include <string>

TSampleLayout GetSampleLayout(TImageFormat format) {
  const TImageFormatInfo& info = GetFormatInfo(format);
  if (info.IsIndexed || info.UsePixelFormat || info.IsSpecial || info.ChannelCount <= 0 ||
      info.BytesPerPixel % info.ChannelCount != 0) {
    throw std::logic_error("no plain sample layout for " + GetFormatName(format));
  }
  TSampleLayout layout;
  layout.Count = info.ChannelCount;
  layout.SampleBytes = info.BytesPerPixel / info.ChannelCount;
  layout.HasAlpha = info.HasAlphaChannel;
  layout.IsGray = info.HasGrayChannel;
  layout.IsFloat = info.IsFloatingPoint;
  const int s = layout.SampleBytes;
  if (layout.Count < 3 || info.IsRBSwapped) {
    // Grey then alpha, a single float channel, or R, G, B, A: already in order.
    for (int i = 0; i < layout.Count; ++i) layout.Offsets[i] = i * s;
  } else {
    // B, G, R, A in memory.
    layout.Offsets[0] = 2 * s;
    layout.Offsets[1] = s;
    layout.Offsets[2] = 0;
    layout.Offsets[3] = 3 * s;
  }
  return layout;
}
