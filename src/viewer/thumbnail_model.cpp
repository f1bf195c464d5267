#include "thumbnail_model.h"

#include "viewer/thumbnail_loader.h"

namespace {

// Thumbnails kept: about 2,700 of 64 by 48 pixels.
constexpr qsizetype kCacheBytes = 32 * 1024 * 1024;

QString fileNameOf(const QString& path) { return path.mid(path.lastIndexOf(u'/') + 1); }

}  // namespace

ThumbnailModel::ThumbnailModel(QObject* parent)
    : QAbstractListModel(parent), m_cache(kCacheBytes), m_loader(new ThumbnailLoader(kCellSize, this)) {
  connect(m_loader, &ThumbnailLoader::loaded, this, &ThumbnailModel::thumbnailLoaded);
  connect(m_loader, &ThumbnailLoader::dropped, this, &ThumbnailModel::requestsDropped);
}

// The loader goes first: it waits for its workers, whose results come to this model.
ThumbnailModel::~ThumbnailModel() { delete m_loader; }

void ThumbnailModel::setFiles(const QStringList& paths) {
  beginResetModel();
  m_loader->clear();
  m_loading.clear();
  m_cache.clear();  // a file may have been replaced under the same name since
  m_paths = paths;
  m_rowOf.clear();
  endResetModel();
}

bool ThumbnailModel::removeRows(int row, int count, const QModelIndex& parent) {
  if (parent.isValid() || row < 0 || count <= 0 || row + count > m_paths.size())
    return false;
  beginRemoveRows(parent, row, row + count - 1);
  m_paths.remove(row, count);
  m_rowOf.clear();  // indexed again when a thumbnail arrives: deleting many rows stays linear
  endRemoveRows();
  return true;
}

void ThumbnailModel::indexRows() {
  m_rowOf.clear();
  m_rowOf.reserve(m_paths.size());
  for (int row = 0; row < m_paths.size(); ++row) m_rowOf.insert(m_paths[row], row);
}

ThumbnailModel::State ThumbnailModel::state(int row) const {
  const QString& path = m_paths.at(row);
  if (const QImage* thumbnail = m_cache.object(path))
    return thumbnail->isNull() ? State::Unreadable : State::Loaded;
  return m_loading.contains(path) ? State::Loading : State::NotLoaded;
}

int ThumbnailModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(m_paths.size());
}

QVariant ThumbnailModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= m_paths.size())
    return {};
  const QString& path = m_paths[index.row()];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: return fileNameOf(path);
    case PathRole: return path;
    case ThumbnailState: return int(state(index.row()));
    case Qt::DecorationRole:
      if (const QImage* thumbnail = m_cache.object(path))
        return thumbnail->isNull() ? QVariant() : QVariant(*thumbnail);
      if (!m_loading.contains(path)) {
        m_loading.insert(path);
        m_loader->request(path);
      }
      return {};
    default: return {};
  }
}

// A result for a file no longer listed (another folder, deleted) is not kept.
void ThumbnailModel::thumbnailLoaded(const QString& path, const QImage& thumbnail) {
  m_loading.remove(path);
  if (m_rowOf.isEmpty())
    indexRows();
  const auto row = m_rowOf.constFind(path);
  if (row == m_rowOf.constEnd())
    return;
  m_cache.insert(path, new QImage(thumbnail), qMax<qsizetype>(1, thumbnail.sizeInBytes()));
  const QModelIndex changed = index(*row);
  emit dataChanged(changed, changed, {Qt::DecorationRole});
}

void ThumbnailModel::requestsDropped(const QStringList& paths) {
  for (const QString& path : paths) m_loading.remove(path);
}
