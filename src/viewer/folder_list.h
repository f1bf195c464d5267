#pragma once

#include <QStringList>
#include <QTreeWidget>

// The image viewer's folder list: the current folder's path from the root down,
// then its sub-folders; a double click enters a folder. It reads the folder's
// "*.jpg" files (any case of the extension) each time it enters one.
class FolderList : public QTreeWidget {
  Q_OBJECT

 public:
  explicit FolderList(QWidget* parent = nullptr);

  // Enters the folder; nothing happens for an empty text or the folder already
  // shown (the same path, letter for letter). Throws Error when the folder cannot
  // be entered, leaving everything as it was.
  void setFolder(const QString& folder);
  QString folder() const { return m_folder; }
  // The full paths of the "*.jpg" files read when the folder was entered, in name
  // order without regard to case.
  QStringList files() const { return m_files; }

 signals:
  void folderChanged();
  // A double click on a folder: its owner enters it with setFolder() and tells
  // the user when that fails (the folder went away since the list was read).
  void enterRequested(const QString& folder);

 private:
  void fill();
  void enterClicked(QTreeWidgetItem* item);

  QString m_folder;
  QStringList m_files;
};

// The "*.jpg" files of the folder (any case of the extension, no hidden files, no
// folders) as full paths, in name order without regard to case.
QStringList jpegFilesIn(const QString& folder);
