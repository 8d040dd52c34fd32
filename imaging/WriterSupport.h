// Small helpers the codec-backed picture writers share: content-test peeking and
// turning a codec library's own error text into an exception.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "Stream.h"

// True when the stream's next bytes equal signature; the position is restored.
bool StreamStartsWith(TStream& stream, const uint8_t* signature, size_t length);

// Raises EImagingError "<codec> error: <message>" (the codec's own words).
[[noreturn]] void RaiseCodecError(const char* codec, const std::string& message);
