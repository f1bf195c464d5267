#pragma once

#include <QSet>
#include <QString>

#include <optional>

class MotionOptionsPanel;
class QCheckBox;
class QAction;
class QTimer;
class SettingsStore;

// The values a camera window keeps in its settings key: eleven flags and seven
// integers, always read and written in one order, then `FitPicture`, which a key
// may lack (then the picture is fitted).
//
// Closing writes back only the values this run owns: each value read from the key,
// every value when the key held none to read, and each value whose control changed
// after the load. A load that stopped at a value it could not read therefore never
// makes the close write the controls' defaults over the stored values after it.
class CameraValues {
 public:
  // The values live in the settings database `settingsFile`.
  CameraValues(MotionOptionsPanel& panel, QAction& fitPicture, const QString& settingsFile);

  // Loads the camera's values into the controls: the stored ones, or the defaults
  // when it has no key yet; then delivery is turned off when the program's settings
  // say there is no Internet connection. Errors as read().
  void load(const QString& caption, QTimer& detectOnStart);
  // Saves the owned values into the camera's key, `Detect` as `detect` when given.
  void save(const QString& caption, std::optional<bool> detect) const;

  // Reads the values of the open key into the controls in their order (`Detect` into
  // detectOnStart), so each control's handler applies its value at once. Throws
  // Error("Failed to get data for '<name>'") at the first value that is missing or
  // cannot be read; the values before it stay applied and owned.
  void read(const SettingsStore& store, QTimer& detectOnStart);
  // The key held nothing to read: the controls' values are this run's, all of them.
  void ownAll();
  // From now on, a control that changes makes its value owned.
  void trackChanges() { m_tracking = true; }

  // Writes the owned values into the open key, `Detect` from "Detect Motion" and
  // each integer as its field reads.
  void write(SettingsStore& store) const;

 private:
  void own(const QString& name);
  void applyDefaults(QTimer& detectOnStart);
  void applyConnectionRule(SettingsStore& store);

  MotionOptionsPanel& m_panel;
  QAction& m_fitPicture;
  QString m_settingsFile;
  QSet<QString> m_owned;
  bool m_tracking = false;
};
