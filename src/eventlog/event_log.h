#pragma once

#include <QString>
#include <QStringList>

#include <memory>

// The event log: one profile file ("[section]" lines and "key=value" lines, UTF-8,
// CR LF) holding a section per camera and a key per event, the value being the
// event's category. Section and key names are compared without regard to case.
//
// The object keeps an index of the file, checked against the file's size and time
// before each operation, so that an entry costs the same however long the log grows:
// it is appended to the last section, or written over blank lines at the end of its
// section, or its section moves to the end of the file once. A short log is
// rewritten whole instead to keep the sections in place. Rewrites go to a temporary
// file that replaces the log, so a crash never leaves a torn log. Programs sharing
// the log take turns through a lock file beside it ("<log>.lock").
class EventLog {
 public:
  EventLog();
  ~EventLog();  // flushes
  EventLog(const EventLog&) = delete;
  EventLog& operator=(const EventLog&) = delete;

  // Binds the object to the file; the file need not exist.
  void Open(const QString& path);

  // Writes one entry: a new section goes at the end of the file, an existing key
  // keeps its place and gets the new value, a new key goes last in its section.
  // False when the key already had this value, so nothing changed. Throws Error
  // "Unable to write to <file>" when the file cannot be written.
  bool WriteEntry(const QString& section, const QString& key, const QString& value);

  // All section names, in file order; none when the file does not exist.
  QStringList ListSections();
  // All keys of the section, in file order; none when the section does not exist.
  QStringList ListKeys(const QString& section);
  QString ReadValue(const QString& section, const QString& key, const QString& defaultValue);

  // Makes sure everything written is on disk.
  void Flush();

 private:
  class Index;
  std::unique_ptr<Index> m_index;
};
