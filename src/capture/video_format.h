#pragma once

#include <QString>

// One video format of a capture source. The all-zero (default) value stands for no
// format at all.
struct TVideoFormat {
  QString MajorType;  // "video", or "interleaved" for a DV stream
  QString SubType;    // pixel layout: "YUY2", "RGB24"... or the stream's own format name
  int Width = 0;
  int Height = 0;
  int BitCount = 0;
  double FrameRate = 0;
  double MinFrameRate = 0;
  double MaxFrameRate = 0;

  bool isNone() const { return Width == 0 && Height == 0 && BitCount == 0 && SubType.isEmpty(); }
};

// Picture size asked of the DV decoder.
enum class TDVResolution { dvrDontWorry, dvrFull, dvrHalf, dvrQuater, dvrDC };

// Same subtype, size and bit count; major type and rates do not count.
bool SameVideoFormat(const TVideoFormat& a, const TVideoFormat& b);
// "640x480x24b (RGB24)"; the name in parentheses only for the named subtypes.
QString VideoFormatToText(const TVideoFormat& format);
