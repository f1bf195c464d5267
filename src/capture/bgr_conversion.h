#pragma once

#include "capture/video_sample.h"

// Writes sample as 24-bit blue-green-red rows into target (width * 3 bytes each,
// rows stride bytes apart), in one pass. False, writing nothing, for a packed
// layout other than blue-green-red, which the caller converts another way.
bool convertToBgr(const VideoSample& sample, std::uint8_t* target, std::ptrdiff_t stride);
