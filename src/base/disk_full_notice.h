#pragma once

#include <QString>

#include <utility>

// Tells a full disk once per outage. The first save that fails for lack of space
// prints which folder's disk is full and what is not being saved on standard error;
// later failures stay quiet until a save succeeds, which ends the outage, so the
// next one is told again.
class DiskFullNotice {
 public:
  // `unsaved` names what the saves hold, e.g. "snapshots".
  explicit DiskFullNotice(QString unsaved) : m_unsaved(std::move(unsaved)) {}

  // A save into `folder` failed with the system error number `error` (0 when not
  // known, then the free space decides). True when the disk holding it is full.
  bool failed(const QString& folder, int error);
  // A save succeeded. True when that ended an outage.
  bool saved();
  // The notice while an outage lasts, else empty.
  const QString& text() const { return m_text; }

 private:
  QString m_unsaved;
  QString m_text;
};
