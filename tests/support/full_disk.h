#pragma once

#include <QString>

#include <string>

// A small tmpfs mounted over an existing folder for one test, so the disk holding
// that folder can be filled up and freed again. Mounting needs root (CI runs as root);
// where it is not permitted, mounted() is false and skipReason() says why.
class FullDisk {
 public:
  explicit FullDisk(const QString& folder);
  ~FullDisk();  // unmounts; whatever was written there goes with it
  FullDisk(const FullDisk&) = delete;
  FullDisk& operator=(const FullDisk&) = delete;

  bool mounted() const { return m_mounted; }
  QString skipReason() const { return m_skipReason; }

  // Writes a filler file until no byte more fits.
  void fill();
  // Removes the filler.
  void free();

 private:
  QString m_folder;
  bool m_mounted = false;
  QString m_skipReason;
};

// How often `part` appears in `text`: counts the notices in captured standard error,
// which may hold other programs' warnings as well.
int occurrences(const std::string& text, const QString& part);
