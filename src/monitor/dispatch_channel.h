#pragma once

#include "base/app_services.h"
#include "base/frame_bitmap.h"
#include "base/program_paths.h"
#include "monitor/bmp_to_jpeg.h"

#include <QString>
#include <QTimer>

#include <chrono>

class Clock;
class Error;
class QCheckBox;
class QWidget;
class StatusPanels;
class WindowHandlers;

// The pace of a dispatch channel.
struct DispatchTiming {
  // From the motion event to the first picture of a series, and between its pictures.
  std::chrono::milliseconds seriesStep{500};
  // The unit of "Upload/Email Every".
  std::chrono::milliseconds minute{60'000};
};

// One way a motion picture leaves the camera window, e-mail or FTP. A motion event
// stages the detected picture (or a series of the next frames) as JPEG files in the
// channel's staging folder and has the main window start a worker that sends them;
// after a send the channel stays quiet for the interval "Upload/Email Every",
// counted from the motion event that started it.
class DispatchChannel {
 public:
  // What tells e-mail and FTP apart.
  struct Kind {
    DeliveryChannel channel;
    QString wizard;       // the setup wizard that makes the account
    QString serverValue;  // the program setting that names the server
    int statusPanel;
    QString sendingText;
    QString notSentText;  // the event log entry of a send that could not be staged, before its date
    QString logValue;     // the event log's category
    const char* limitTimerName;
    const char* seriesTimerName;

    static Kind email();
    static Kind ftp();
  };

  enum class State {
    Idle,     // the next motion event sends
    Series,   // taking the pictures of a series; the interval runs
    Limited,  // sent, or tried to; the interval runs
  };

  // What of the camera window the channel reads and writes: its caption and tag (its
  // index among the main window's camera windows), its status bar, and its frames,
  // read when a picture is taken.
  struct Window {
    const QWidget& form;
    StatusPanels& statusBar;
    const FrameBitmap& lastFrame;
    const FrameBitmap& detectedFrame;
  };

  static constexpr int kMaxSeriesLength = 10;

  // `box` switches the channel on ("Email Image", "FTP Image"). The timers tick
  // through `handlers`, which also shows the channel's message boxes.
  DispatchChannel(Kind kind, QCheckBox& box, const ProgramPaths& paths, AppServices& services,
                  const Clock& clock, WindowHandlers& handlers, Window window, DispatchTiming timing = {});

  // The channel's box stays checked only when its account exists.
  void requireAccount();
  // Whether the program settings name the channel's server; when not, tells the
  // user to run the wizard.
  bool GetSetup();

  // A motion event: sends when the box is checked and the channel idle, the
  // detected picture alone or, with `series`, the pictures of the next frames.
  void motionDetected(bool series);
  // For every grabbed frame: sends a series whose pictures are all taken. True when it did.
  bool finishSeries();
  // The source stopped or was lost: a series under way sends the pictures it has.
  void cutShort();
  // Stages the detected picture and starts the worker; the interval runs from now
  // unless it already does.
  void Cap();

  // "Nr of Images" for the series that start from now on.
  void setSeriesLength(int length);
  // "Upload/Email Every"; a running interval starts anew with the new length.
  void setIntervalMinutes(int minutes);
  // The window ends: nothing more is taken or sent.
  void stop();

  State state() const { return m_state; }
  int seriesLength() const { return m_nextSeriesLength; }
  int picturesTaken() const { return m_taken; }
  QString stagingFolder() const { return m_folder; }
  QTimer* rateLimit() { return &m_limit; }
  QTimer* seriesTimer() { return &m_series; }

 private:
  void takeSeriesPicture();
  void limitEnded();
  void endSeries();
  void removeSeriesFiles() const;
  void stage(const FrameBitmap& frame, const QString& file);
  void failed(const Error& error);

  Kind m_kind;
  QCheckBox& m_box;
  QString m_folder;
  QString m_settingsFile;
  AppServices& m_services;
  const Clock& m_clock;
  WindowHandlers& m_handlers;
  Window m_window;
  DispatchTiming m_timing;
  TBmpToJpeg m_jpeg;
  QTimer m_limit;
  QTimer m_series;
  State m_state = State::Idle;
  int m_nextSeriesLength = 5;
  int m_length = 0;  // of the series under way, fixed at its start
  int m_taken = 0;
};
