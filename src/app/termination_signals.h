#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into the Qt signal received() on the UI thread. The
// handler only writes one byte to a pipe; a socket notifier reads it, so no Qt code
// runs inside the signal handler. One instance at a time.
class TerminationSignals : public QObject {
  Q_OBJECT

 public:
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;

 signals:
  void received();

 private:
  void readPipe();

  QSocketNotifier* m_notifier = nullptr;
};
