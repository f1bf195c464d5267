#pragma once

#include "base/frame_bitmap.h"

#include <QString>

// Motion snapshots are stamped in bold, timed snapshots in the regular style.
enum class StampStyle { Bold, Regular };

// The frame with a white band of 2 * th + 5 rows added below it, th being the text
// height of "Quorvex" in the platform's sans font at 8 points. The band holds the
// camera caption and, below it, "Quorvex : " + dateTimeText, both black and ending
// 20 pixels from the right edge; a text wider than that is cut at the left edge.
FrameBitmap stampSnapshot(const FrameBitmap& frame, const QString& caption, const QString& dateTimeText,
                          StampStyle style);
