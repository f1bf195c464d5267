#pragma once

#include "base/frame_bitmap.h"

#include <QByteArray>
#include <QString>

#include <functional>

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

  // Writes Image as a new file under the first of nameFor(0), nameFor(1), ... that
  // no file has, and sets JpegFile to it. Each name is claimed atomically, so no
  // file is ever replaced, not even one that another program writes into the same
  // folder at the same moment. Errors as SaveJpeg, naming the name being tried.
  void SaveNewJpeg(const std::function<QString(int)>& nameFor);
  // The system's error number of the last failed save (ENOSPC for a full disk), 0
  // when the last save worked or failed for another reason.
  int systemError() const { return m_systemError; }

 private:
  // Encodes Image into the hidden temporary file of JpegFile and returns its name.
  QByteArray writeTemporary();

  int m_systemError = 0;
};

// Whether a file name (without folder) is one the writer gives a file before it
// is complete: "." + the file's name + "." + the writing process's id + ".part".
bool isJpegTemporaryName(const QString& fileName);
