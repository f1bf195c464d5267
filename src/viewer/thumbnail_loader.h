#pragma once

#include <QImage>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <deque>

// Decodes thumbnails on worker threads of its own pool and hands each result back
// on the thread that owns the loader, through the signal loaded(). The newest
// request is served first, so what was asked for last (the part of the strip now
// on screen) comes first while the user scrolls; requests beyond the queue's limit
// drop the oldest, which are asked for again if they come back into view.
class ThumbnailLoader : public QObject {
  Q_OBJECT

 public:
  static constexpr int kQueueLimit = 256;

  explicit ThumbnailLoader(int cellSize, QObject* parent = nullptr);
  ~ThumbnailLoader() override;  // drops what is queued and waits for the workers

  void request(const QString& path);
  // Drops every queued request; decodes under way still report.
  void clear();

 signals:
  // A null image when the file could not be read or decoded.
  void loaded(const QString& path, const QImage& thumbnail);
  // Requests dropped unserved from the front of the queue.
  void dropped(const QStringList& paths);

 private:
  void serveNewest();

  const int m_cellSize;
  QMutex m_mutex;
  std::deque<QString> m_queue;  // guarded by m_mutex; newest at the back
  QThreadPool m_pool;
};
