#pragma once

#include "monitor/reconnect_schedule.h"

#include <QSize>
#include <QString>

#include <functional>
#include <optional>

class MotionOptionsPanel;
class Prompts;
class QTimer;
class TVideoCapture;

// The camera window's video source from start to stop: the Start and Stop buttons,
// a loss told once, the reconnect schedule of a source that can come back, and the
// Detect box as it was before a loss, restored when the source is back.
class SourceLifecycle {
 public:
  // What of the camera window the lifecycle writes to.
  struct Window {
    std::function<QString()> caption;
    std::function<void(const QString& text)> showStatus;  // the first status panel
    std::function<void(const QString& message, const QString& value)> log;
  };

  // reconnectTimer ticks tick() once a second while reconnecting; detectOnStart is
  // the timer that turns Detect on a while after the start.
  SourceLifecycle(TVideoCapture& capture, MotionOptionsPanel& panel, QTimer& detectOnStart,
                  QTimer& reconnectTimer, Prompts& prompts, Window window);

  // Ends any reconnecting, sets the stopped source up for the named device, lists its
  // video modes, runs `chooseMode` and starts it. False when it did not start (the
  // capture component has told the user).
  bool start(const QString& deviceName, const std::function<void()>& chooseMode);
  // Fills the video mode list ("Video Mode") with the source's modes, the current one chosen.
  void listVideoModes();
  // Turns detection off and switches the source to mode `index`; the picture size of
  // the mode it then has.
  QSize setVideoMode(int index);
  // Stopped by the user: detection stays off. True when the source was running.
  bool stop();
  // The source was lost, or the reconnect attempt under way failed.
  void lost();
  // One second of the reconnect schedule.
  void tick();
  // A frame of the current run arrived.
  void frameArrived();
  // The user set the Detect box (not the lifecycle): that choice counts from now on.
  void detectChosen();

  // Whether the source runs, or is lost and being reconnected: what Start and Stop follow.
  bool running() const;
  // A frame of the current run arrived since its start.
  bool live() const { return m_live; }
  const ReconnectSchedule& schedule() const { return m_reconnect; }
  // The Detect box to save instead of the shown one while the source is lost.
  std::optional<bool> detectBeforeLoss() const { return m_detectBeforeLoss; }

 private:
  void updateButtons();
  bool reconnects() const;
  void beginReconnecting();
  void stopReconnecting();
  void attemptFailed();
  void reconnected();
  void showReconnectStatus();
  void setDetect(bool on);

  TVideoCapture& m_capture;
  MotionOptionsPanel& m_panel;
  QTimer& m_detectOnStart;
  QTimer& m_reconnectTimer;
  Prompts& m_prompts;
  Window m_window;
  ReconnectSchedule m_reconnect;
  // The Detect box as it was when the source was lost: restored when it is back and
  // saved meanwhile, so a loss never turns detection off for the next start.
  std::optional<bool> m_detectBeforeLoss;
  bool m_settingDetect = false;  // the lifecycle itself sets the Detect box
  bool m_live = false;
};
