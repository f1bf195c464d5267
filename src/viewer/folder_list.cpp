#include "folder_list.h"

#include "base/error.h"

#include <QDir>
#include <QFileInfo>
#include <QStyle>

#include <algorithm>

namespace {

bool byNameIgnoringCase(const QString& first, const QString& second) {
  const int order = first.compare(second, Qt::CaseInsensitive);
  return order != 0 ? order < 0 : first < second;
}

QString joined(const QString& folder, const QString& name) {
  return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

QStringList sortedNames(const QString& folder, const QStringList& patterns, QDir::Filters filters) {
  QStringList names = QDir(folder).entryList(patterns, filters, QDir::Unsorted);
  std::sort(names.begin(), names.end(), byNameIgnoringCase);
  return names;
}

}  // namespace

QStringList jpegFilesIn(const QString& folder) {
  QStringList paths;
  for (const QString& name : sortedNames(folder, {QStringLiteral("*.jpg")}, QDir::Files))
    paths.append(joined(folder, name));
  return paths;
}

FolderList::FolderList(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setIndentation(12);
  connect(this, &QTreeWidget::itemDoubleClicked, this, &FolderList::enterClicked);
}

void FolderList::setFolder(const QString& folder) {
  if (folder.isEmpty())
    return;
  const QString path = QDir::cleanPath(QDir(folder).absolutePath());
  if (path == m_folder)
    return;
  const QFileInfo info(path);
  if (!info.isDir())
    throw Error(QStringLiteral("Cannot open the folder \"%1\": %2")
                    .arg(folder, info.exists() ? QStringLiteral("it is not a folder.")
                                               : QStringLiteral("it does not exist.")));
  if (!info.isReadable() || !info.isExecutable())
    throw Error(QStringLiteral("Cannot open the folder \"%1\": access denied.").arg(folder));
  m_folder = path;
  m_files = jpegFilesIn(path);
  fill();
  emit folderChanged();
}

void FolderList::fill() {
  clear();
  const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed = style()->standardIcon(QStyle::SP_DirIcon);
  const auto makeItem = [](QTreeWidgetItem* item, const QString& text, const QString& path,
                           const QIcon& icon) {
    item->setText(0, text);
    item->setIcon(0, icon);
    item->setData(0, Qt::UserRole, path);
    return item;
  };

  QStringList chain;
  for (QDir dir(m_folder);;) {
    chain.prepend(dir.absolutePath());
    if (!dir.cdUp())
      break;
  }
  QTreeWidgetItem* parent = nullptr;
  for (const QString& path : chain) {
    const QString name = path == QStringLiteral("/") ? path : QFileInfo(path).fileName();
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    parent = makeItem(item, name, path, open);
  }
  for (const QString& name : sortedNames(m_folder, {}, QDir::Dirs | QDir::NoDotAndDotDot))
    makeItem(new QTreeWidgetItem(parent), name, joined(m_folder, name), closed);
  expandAll();
  setCurrentItem(parent);
}

void FolderList::enterClicked(QTreeWidgetItem* item) {
  emit enterRequested(item->data(0, Qt::UserRole).toString());
}
