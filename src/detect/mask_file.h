#pragma once

#include "base/frame_bitmap.h"

#include <QImage>
#include <QString>

// The detection mask of one camera: a bitmap of the frame's size in which purple
// 0x800080 leaves a pixel out of detection and any other colour keeps it in.

// programFolder + "Mask/Mask for " + caption + ".bmp". A '/' in the caption
// becomes '_' so the name always stays one file inside the Mask folder.
QString maskFilePath(const QString& programFolder, const QString& caption);

// Reads a BMP file of any depth. Throws Error("Bitmap image is not valid") when
// the file cannot be read as a bitmap.
FrameBitmap loadMaskFile(const QString& path);

// Writes mask as a 4-bit BMP with the 16-colour palette, each pixel mapped to the
// nearest palette colour (white and purple are in it, so they stay exact).
// Creates the file's folder when missing. The file is written under a temporary
// name and renamed into place, so a failed save leaves any older mask whole.
// Throws Error("Cannot create file \"<path>\". <reason>") when it cannot be written.
void saveMaskFile(const QString& path, const QImage& mask);
