#pragma once

#include <QString>
#include <QTemporaryDir>

#include <functional>

// A folder that exists but cannot be written to, also by root: a read-only bind
// mount of a temporary folder (root), or a folder without write permission (other
// users). isValid() is false where neither can be made; tests then skip.
class ReadOnlyFolder {
 public:
  // fill, when given, puts content into the folder before it becomes read-only.
  explicit ReadOnlyFolder(const std::function<void(const QString& folder)>& fill = {});
  ~ReadOnlyFolder();
  ReadOnlyFolder(const ReadOnlyFolder&) = delete;
  ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

  bool isValid() const { return m_valid; }
  QString path() const { return m_dir.path(); }

 private:
  QTemporaryDir m_dir;
  bool m_mounted = false;
  bool m_valid = false;
};
