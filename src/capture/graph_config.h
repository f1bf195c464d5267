#pragma once

#include "capture/video_format.h"

#include <QString>

// Pixel format asked of the frame grabber. Device leaves the stream's own format.
enum class TPixelFormat { Device, Bits1, Bits4, Bits8, Bits15, Bits16, Bits24, Bits32, Custom };

// A configuration applied to the capture component in one step; the member
// initialisers are the reset values.
struct TGraphConfig {
  QString VideoDeviceName;
  QString AudioDeviceName;
  TVideoFormat VideoFormat;
  bool WantCapture = false;
  bool WantPreview = false;
  bool WantBitmaps = false;
  bool WantAudio = false;
  bool WantDVAudio = false;
  bool WantAudioPreview = true;
  TPixelFormat BitmapPixelFormat = TPixelFormat::Bits24;
  TDVResolution DVResolution = TDVResolution::dvrFull;
  QString CaptureFileName = QStringLiteral("capture.avi");
  QString TempCaptureFileName = QStringLiteral("captemp.avi");
  bool UseTempFile = false;
  bool DoPreallocFile = false;
  unsigned PreallocFileSize = 0;
};
