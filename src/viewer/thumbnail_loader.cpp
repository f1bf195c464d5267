#include "thumbnail_loader.h"

#include "viewer/jpeg_thumbnail.h"

#include <pthread.h>

namespace {

// The user-interface thread keeps one of the machine's cores.
unsigned int workerCount() {
  const unsigned int cores = std::thread::hardware_concurrency();
  return cores > 2 ? std::min(cores - 1, 4u) : 1u;
}

}  // namespace

ThumbnailLoader::ThumbnailLoader(int cellSize, QObject* parent) : QObject(parent), m_cellSize(cellSize) {}

ThumbnailLoader::~ThumbnailLoader() {
  {
    std::lock_guard lock(m_mutex);
    m_stopping = true;
    m_queue.clear();
  }
  m_wake.notify_all();
  for (std::thread& worker : m_workers) worker.join();
  // Results still queued to this object are discarded with it.
}

void ThumbnailLoader::request(const QString& path) {
  if (m_workers.empty()) {
    for (unsigned int i = 0; i < workerCount(); ++i) m_workers.emplace_back([this] { work(); });
  }
  QStringList dropped;
  {
    std::lock_guard lock(m_mutex);
    m_queue.push_back(path);
    while (m_queue.size() > size_t(kQueueLimit)) {
      dropped.append(m_queue.front());
      m_queue.pop_front();
    }
  }
  m_wake.notify_one();
  if (!dropped.isEmpty())
    emit this->dropped(dropped);
}

void ThumbnailLoader::clear() {
  std::lock_guard lock(m_mutex);
  m_queue.clear();
}

void ThumbnailLoader::work() {
  pthread_setname_np(pthread_self(), "thumbnails");
  for (;;) {
    QString path;
    {
      std::unique_lock lock(m_mutex);
      m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
      if (m_stopping)
        return;
      path = std::move(m_queue.back());
      m_queue.pop_back();
    }
    const QImage thumbnail = decodeThumbnail(path, m_cellSize);
    // Queued to the owner's thread; the destructor joins this thread first, so `this` lives.
    QMetaObject::invokeMethod(
        this, [this, path, thumbnail] { emit loaded(path, thumbnail); }, Qt::QueuedConnection);
  }
}
