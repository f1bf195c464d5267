#pragma once

#include <QString>

class MotionOptionsPanel;
class QAction;
class QTimer;
class SettingsStore;

// The values a camera window keeps in its settings key: eleven flags and seven
// integers, always read and written in one order, then `FitPicture`, which a key
// may lack (then the picture is fitted).

// "\Software\Brennova\Settings\" + caption.
QString cameraKey(const QString& caption);

// Reads the values of the open key into the controls in their order (`Detect` into
// detectOnStart), so each control's handler applies its value at once. Throws
// Error("Failed to get data for '<name>'") at the first value that is missing or
// cannot be read; the values before it stay applied.
void readCameraValues(const SettingsStore& store, MotionOptionsPanel& panel, QAction& fitPicture,
                      QTimer& detectOnStart);

// Writes the controls into the open key, `Detect` from "Detect Motion" and each
// integer as its field reads.
void writeCameraValues(SettingsStore& store, const MotionOptionsPanel& panel, const QAction& fitPicture);
