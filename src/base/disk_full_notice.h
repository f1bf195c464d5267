#pragma once

#include <QString>

#include <utility>

// Tells a save outage once: a full disk, or any other failure. The first save that
// fails prints what is not being saved and why (which folder's disk is full) on
// standard error; later failures stay quiet until a save succeeds, which ends the
// outage, so the next one is told again.
class DiskFullNotice {
 public:
  // `unsaved` names what the saves hold, e.g. "snapshots".
  explicit DiskFullNotice(QString unsaved) : m_unsaved(std::move(unsaved)) {}

  // A save into `folder` failed with the system error number `error` (0 when not
  // known, then the free space decides). True when the disk holding it is full.
  bool failed(const QString& folder, int error);
  // A save failed for another reason, in the words of the error.
  void cannotSave(const QString& reason);
  // A save succeeded. True when that ended an outage.
  bool saved();
  // The notice while an outage lasts, else empty.
  const QString& text() const { return m_text; }

 private:
  void tell(const QString& text);

  QString m_unsaved;
  QString m_text;
};
