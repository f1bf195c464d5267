#pragma once

#include <QString>
#include <QStringList>

#include <memory>

// The event log: one profile file ("[section]" lines and "key=value" lines, UTF-8,
// CR LF) holding a section per camera and a key per event, the value being the
// event's category. Section and key names are compared without regard to case.
//
// The object keeps an index of the file, checked against the file's size and time
// before each operation, so that adding a key at the end of the last section is one
// append however long the log grows. Other changes rewrite the file to a temporary
// file that replaces it, so a crash never leaves a torn log.
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
  // Throws Error "Unable to write to <file>" when the file cannot be written.
  void WriteEntry(const QString& section, const QString& key, const QString& value);

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
