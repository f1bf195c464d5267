#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

// Decodes thumbnails on worker threads of its own ("thumbnails") and hands each
// result back on the thread that owns the loader, through the signal loaded(). The
// newest request is served first, so what was asked for last (the part of the strip
// now on screen) comes first while the user scrolls; requests beyond the queue's
// limit drop the oldest, which are asked for again if they come back into view. The
// workers start with the first request and are stopped and joined by the destructor.
class ThumbnailLoader : public QObject {
  Q_OBJECT

 public:
  static constexpr int kQueueLimit = 256;

  explicit ThumbnailLoader(int cellSize, QObject* parent = nullptr);
  ~ThumbnailLoader() override;

  void request(const QString& path);
  // Drops every queued request; decodes under way still report.
  void clear();

 signals:
  // A null image when the file could not be read or decoded.
  void loaded(const QString& path, const QImage& thumbnail);
  // Requests dropped unserved from the front of the queue.
  void dropped(const QStringList& paths);

 private:
  void work();

  const int m_cellSize;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::deque<QString> m_queue;  // newest at the back; guarded by m_mutex
  bool m_stopping = false;      // guarded by m_mutex
  std::vector<std::thread> m_workers;
};
