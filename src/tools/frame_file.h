#pragma once

#include "base/frame_bitmap.h"

#include <QString>

// Reads an image file (BMP, PNG, JPEG, PPM...) as a frame, whole or not at all.
// Image readers tend to hand back what they got of a cut-off file, with the
// missing part filled in; such a frame would count as motion. Throws
// Error("cannot read <path>: <reason>") when the file is missing, is no picture,
// or does not decode completely (a JPEG with any decoder warning, such as a
// premature end of data; a BMP shorter than its pixel rows).
FrameBitmap readFrameFile(const QString& path);
