#pragma once

#include <QList>
#include <QString>

// The value types of the settings store. The numbers are the registry's type codes and
// are what the settings file stores.
enum class SettingsType { String = 1, ExpandString = 2, Dword = 4 };

// One value of a key: a DWORD in `number`, a text in `text`.
struct SettingsValue {
  QString name;
  SettingsType type = SettingsType::String;
  qint32 number = 0;
  QString text;

  friend bool operator==(const SettingsValue&, const SettingsValue&) = default;
};

// A key by its full path (`\Software\Brennova\Settings`) with its values.
struct SettingsKey {
  QString path;
  QList<SettingsValue> values;
};
