#pragma once

#include "base/settings_value.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// The registry accessor over the settings file: create one, open a key by its path
// (`\Software\Brennova\Settings\Cam 1`, leading backslash optional), read or write the
// key's values, close. Key and value names are compared without regard to case and
// keep the case they were created with. A DWORD is 32 bits, read back signed.
//
// Each instance has its own connection, so every thread and every program instance
// uses its own accessor; each write is one transaction. Nothing is cached.
class SettingsStore {
 public:
  explicit SettingsStore(const QString& filePath);
  ~SettingsStore();
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  // Opens the settings file for reading and writing, creating it when missing. False
  // (with openError()) for a read-only or damaged file, which is never written to.
  // On a full disk the file is opened for reading only: reads work, and writes raise
  // Error("Failed to set data for '<name>': the disk holding ... is full ...").
  // OpenKey and KeyExists call it themselves.
  bool open();
  QString openError() const { return m_openError; }

  // Opens a key, creating it and its missing parents when `canCreate`. False when the
  // key is absent (and not created) or the file cannot be opened for writing.
  bool OpenKey(const QString& path, bool canCreate);
  bool KeyExists(const QString& path);
  void CloseKey();

  // Reads of the open key. Without an open key every value is absent.
  bool ValueExists(const QString& name) const;  // any type
  // Absent or not a DWORD: Error("Failed to get data for '<name>'").
  qint32 ReadInteger(const QString& name) const;
  bool ReadBool(const QString& name) const;  // any non-zero DWORD
  // Absent: empty. REG_EXPAND_SZ is returned unexpanded. A DWORD is a read error.
  QString ReadString(const QString& name) const;

  // Writes to the open key; a failure is Error("Failed to set data for '<name>'").
  void WriteInteger(const QString& name, qint32 value);
  void WriteBool(const QString& name, bool value);  // DWORD 1 or 0
  void WriteString(const QString& name, const QString& value);
  void WriteExpandString(const QString& name, const QString& value);
  bool DeleteValue(const QString& name);  // raises nothing

  // The open key's values and sub-key names, ordered by name.
  QList<SettingsValue> values() const;
  QStringList subKeyNames() const;

  // Every key (also those without values), parents before children. Throws Error.
  QList<SettingsKey> exportAll();
  // Creates the keys and writes their values, all or nothing. Throws Error.
  void importAll(const QList<SettingsKey>& keys);

  // Empty when the file is missing or usable (also on a full disk); otherwise a message
  // naming the file, for the user to be told once (a damaged file, one whose values
  // break the store's rules, or one not written by Quorvex). open() judges alike.
  static QString fileProblem(const QString& filePath);

 private:
  struct Connection;

  std::optional<SettingsValue> find(const QString& name) const;
  void write(const SettingsValue& value);

  QString m_filePath;
  QString m_openError;
  std::unique_ptr<Connection> m_db;
  bool m_lacksSpace = false;  // opened for reading only because the disk is full
  qint64 m_key = -1;          // the open key, -1 when none; 0 is the root
};
