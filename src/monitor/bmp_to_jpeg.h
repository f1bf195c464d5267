#pragma once

#include "base/frame_bitmap.h"

#include <QString>

// The camera window's JPEG writer: writes `Image` to `JpegFile` as a baseline JFIF
// file at quality 90. The file appears under its name only when complete: the bytes
// go to a temporary file in the same folder, which is then renamed into place.
class TBmpToJpeg {
 public:
  FrameBitmap Image;
  QString JpegFile;

  // Replaces an existing file. Any failure (folder missing or not writable, disk
  // full, empty picture) raises Error("Cannot create file \"<JpegFile>\". <reason>")
  // and leaves the folder as it was.
  void SaveJpeg();
  // The system's error number of the last failed save (ENOSPC for a full disk), 0
  // when the last save worked or failed for another reason.
  int systemError() const { return m_systemError; }

 private:
  int m_systemError = 0;
};
