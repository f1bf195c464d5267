#pragma once

#include <QString>

// An advisory lock (flock) held for one scope on a file of its own beside the data it
// guards, shared by every process that uses the same path. The data file itself will
// not do: it is replaced by rename, after which each process would lock another inode.
class FileLock {
 public:
  // Waits for the lock: exclusive for a writer, shared for a reader.
  FileLock(const QString& path, bool exclusive);
  ~FileLock();  // releases it
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // False when the lock file could not be opened (or, for a writer, created).
  bool held() const { return m_fd >= 0; }

 private:
  int m_fd = -1;
};
