#pragma once

#include <QAbstractListModel>
#include <QCache>
#include <QHash>
#include <QImage>
#include <QSet>
#include <QStringList>

class ThumbnailLoader;

// The thumbnail strip's items: one per file, holding its full path (the display
// text is the file name). A thumbnail is decoded in the background the first time
// the view asks for its picture, and kept in a cache bounded in bytes; an item
// whose picture is not there yet has none, and the view is told when it arrives.
class ThumbnailModel : public QAbstractListModel {
  Q_OBJECT

 public:
  static constexpr int kCellSize = 64;
  enum Role { PathRole = Qt::UserRole, ThumbnailState };
  enum class State { NotLoaded, Loading, Loaded, Unreadable };

  explicit ThumbnailModel(QObject* parent = nullptr);
  ~ThumbnailModel() override;

  // Replaces every item; their pictures are decoded afresh.
  void setFiles(const QStringList& paths);
  QString path(int row) const { return m_paths.at(row); }
  // Row removal keeps the other items' thumbnails.
  bool removeRows(int row, int count, const QModelIndex& parent = {}) override;

  State state(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  // Qt::DecorationRole gives the thumbnail (a QImage) and asks for it when it is not there.
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  void thumbnailLoaded(const QString& path, const QImage& thumbnail);
  void requestsDropped(const QStringList& paths);
  void indexRows();

  QStringList m_paths;
  QHash<QString, int> m_rowOf;  // made when first needed after a change of the rows
  mutable QSet<QString> m_loading;
  QCache<QString, QImage> m_cache;  // a null image stands for an unreadable file
  ThumbnailLoader* m_loader;
};
