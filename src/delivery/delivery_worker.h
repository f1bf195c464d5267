#pragma once

#include "delivery/delivery_context.h"

#include <QDateTime>
#include <QString>
#include <QThread>

#include <stop_token>

class SettingsStore;

// The run shared by the e-mail and the FTP worker: the channel's settings, the
// connection type (with the dial-up wait), the channel's delivery, the clean-up of
// the run's folder, at most one report to the camera window and the event log, and
// the release of the dial-up connection the run acquired.
//
// The worker works only on its run folder, which the starter filled with the staged
// pictures: success deletes it, a failed run leaves it (and its pictures) in place.
// It reaches the user-interface thread (the thread that created it) only through
// blocking queued calls, so that thread must run its event loop until the worker ends.
class DeliveryWorker : public QThread {
  Q_OBJECT

 public:
  // What a run reports: the camera window's status panel and text, and the log entry.
  struct Report {
    int panel = 1;
    QString statusText;
    QString logMessage;
    QString category;
  };

  DeliveryWorker(DeliveryContext context, QString runFolder, QObject* parent = nullptr);
  ~DeliveryWorker() override;

  // Ends the run early: its waits wake, the connection is abandoned and the run
  // ends as failed (its report still comes).
  void requestStop() { m_stop.request_stop(); }

  QString runFolder() const { return m_runFolder; }
  // What went wrong in a failed run; not shown to the user.
  QString errorText() const { return m_errorText; }

  // Set by the creator before the start: the camera window's index and its caption,
  // under which the log entry is written also when the window is gone by then.
  qint32 ChildIndex = 0;
  QString Caption;
  // The outcome: 0 delivered, 1 failed, 2 (e-mail) the connection did not open.
  qint32 ResultCode = 0;

 protected:
  void run() final;

  // Reads the channel's account into the worker; false when it is not there (the
  // user is then told to run the wizard). Throws Error for a value that cannot be used.
  virtual bool readSettings(SettingsStore& settings) = 0;
  virtual QString noSettingsText() const = 0;
  // What can be done before connecting (building the message, checking values).
  virtual void prepare() {}
  // Connects and delivers; sets ResultCode or throws Error.
  virtual void deliver() = 0;
  virtual Report report(qint32 resultCode, const QDateTime& now) const = 0;

  const DeliveryContext& context() const { return m_context; }
  std::stop_token stopToken() const { return m_stop.get_token(); }
  // The run's pictures in the order they go out: the series files Motion1..10.jpg
  // when Motion1.jpg is there, else Motion.jpg when it is there.
  QStringList runFiles() const;

 private:
  void waitForDialUp();
  void tellNoSettings();
  void UpdateStatus();

  DeliveryContext m_context;
  const QString m_runFolder;
  std::stop_source m_stop;
  QString m_errorText;
};

// Throws Error naming the setting when its value holds a CR or LF, which would
// end a protocol line early and let the value add commands of its own.
void refuseLineBreaks(const QString& name, const QString& value);
