#include "thumbnail_loader.h"

#include "viewer/jpeg_thumbnail.h"

#include <QMutexLocker>
#include <QThread>

namespace {

// The user-interface thread keeps one of the machine's cores.
int workerCount() { return qBound(1, QThread::idealThreadCount() - 1, 4); }

}  // namespace

ThumbnailLoader::ThumbnailLoader(int cellSize, QObject* parent) : QObject(parent), m_cellSize(cellSize) {
  m_pool.setObjectName(QStringLiteral("ThumbnailLoader"));
  m_pool.setMaxThreadCount(workerCount());
}

ThumbnailLoader::~ThumbnailLoader() {
  clear();
  m_pool.waitForDone();
}

void ThumbnailLoader::request(const QString& path) {
  QStringList dropped;
  {
    QMutexLocker lock(&m_mutex);
    m_queue.push_back(path);
    while (m_queue.size() > size_t(kQueueLimit)) {
      dropped.append(m_queue.front());
      m_queue.pop_front();
    }
  }
  // One task per request; a task that finds the queue empty (dropped, cleared) ends.
  m_pool.start([this] { serveNewest(); });
  if (!dropped.isEmpty())
    emit this->dropped(dropped);
}

void ThumbnailLoader::clear() {
  QMutexLocker lock(&m_mutex);
  m_queue.clear();
}

// Runs on a worker thread.
void ThumbnailLoader::serveNewest() {
  QString path;
  {
    QMutexLocker lock(&m_mutex);
    if (m_queue.empty())
      return;
    path = std::move(m_queue.back());
    m_queue.pop_back();
  }
  const QImage thumbnail = decodeThumbnail(path, m_cellSize);
  // Queued to the owner's thread; the destructor waits for this task, so `this` lives.
  QMetaObject::invokeMethod(
      this, [this, path, thumbnail] { emit loaded(path, thumbnail); }, Qt::QueuedConnection);
}
