#pragma once

#include "base/canvas.h"
#include "base/frame_bitmap.h"
#include "base/program_paths.h"
#include "monitor/dispatch_channel.h"
#include "monitor/reconnect_schedule.h"
#include "monitor/snapshot_writer.h"
#include "monitor/status_panels.h"
#include "monitor/window_handlers.h"

#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class AppServices;
class CameraValues;
class DetectionArming;
class Clock;
class MotionDetection;
class MotionRules;
class MotionOptionsPanel;
class MyMotion;
class PictureArea;
class Prompts;
class QCheckBox;
class QLabel;
class QPushButton;
class MotionAlerts;
class QTimer;

class SourceLifecycle;
class TMaskForm;
class TVideoCapture;

// The camera window: watches the one video source of the run. It starts and stops
// the source, passes every grabbed frame through copy, paint and detection, carries
// out the motion actions and timed capture, and keeps the camera's options in the
// settings key named after its caption.
//
// The window starts its source while it is made, under the caption "MotionForm";
// the main window then names it after the source and calls LoadSettings.
class TMotionForm : public QWidget {
  Q_OBJECT

 public:
  // maskForm is the program's mask editor; without one the window makes its own.
  // dispatchTiming paces the e-mail and FTP dispatch.
  TMotionForm(AppServices& services, Prompts& prompts, const Clock& clock, const ProgramPaths& paths,
              TMaskForm* maskForm = nullptr, QWidget* parent = nullptr, DispatchTiming dispatchTiming = {});
  ~TMotionForm() override;

  // Loads the camera values of Caption into the controls, which applies them.
  // Throws Error("Failed to get data for '<name>'") for a value missing or unreadable
  // after `Detect`; the values before it stay applied, and only they and the values
  // changed afterwards are saved.
  void LoadSettings(const QString& Caption);
  // Saves the camera values loaded or changed in this run; CanClose is false
  // (after the message) only when a value could not be written.
  void FormCloseQuery(bool& CanClose);
  // Ends the window for good: its timers and the capture stop at once. `end`, which
  // frees the window (later, not inside it), runs when no handler of the window is
  // under way; a handler that waits on a box comes back to a living window. When
  // one was, the values are saved again first, as the handler may have changed them.
  void shutDown(std::function<void()> end);

  QString statusPanelText(int panel) const;
  void setStatusPanelText(int panel, const QString& text);
  // A notice that may not fit its panel: the whole text is also the panel's tooltip.
  void setStatusNotice(int panel, const QString& text);
  // The panels telling that snapshots or event log entries are not being saved.
  static constexpr int kLogNoticePanel = 1;
  static constexpr int kSnapshotNoticePanel = 2;
  // The live picture: the latest frame with the detector's outlines and the mark.
  const Canvas& pictureCanvas() const { return m_canvas; }

  // Owned components.
  TVideoCapture* VideoCapture1;
  MyMotion* MyMotion1;
  FrameBitmap MaskImage;        // the loaded mask; empty when none
  QTimer* DetectOnStartTimer1;  // turns Detect on 3 s after the start
  QTimer* DelayStart;           // ticks the Detect countdown once a second
  QTimer* ImageTimer;           // timed capture, every "Timed Capture Rate"
  QTimer* EmailTimer1;          // at most one e-mail per "Upload/Email Every"
  QTimer* FTPTimer1;            // at most one upload per "Upload/Email Every"
  QTimer* ReconnectTimer;       // ticks the reconnect schedule once a second

  MotionOptionsPanel* Panel1;  // the options, hidden at first
  QPushButton* Panel2;         // ">>": opens the options panel
  PictureArea* PaintBox1;      // the live picture
  StatusPanels* StatusBar1;

  FrameBitmap LastFrame;
  QString PictureDir;  // the motion snapshot root, read at the first snapshot
  // What sends the motion pictures: "Email Image" and "FTP Image".
  DispatchChannel& emailChannel() { return *m_email; }
  DispatchChannel& ftpChannel() { return *m_ftp; }

  // Handlers, entered from the controls, timers and components they are named after.
  void FormShow();
  void SpeedButton1Click();
  void Button2Click();
  void ListVideoModes();
  void ComboBox2Change();
  void PaintBox1DblClick();
  void CheckBox1Click();
  void DelayStartTimer();
  void DetectOnStartTimer1Timer();
  void VideoCapture1BitmapGrabbed(TVideoCapture* Sender, const FrameBitmap& CapturedImage);
  void VideoCapture1FrameRendered(TVideoCapture* Sender);
  void VideoCapture1DeviceLost(TVideoCapture* Sender);
  void AdvSpinEdit1Change();
  void TrackBar1Change();
  void TrackBar2Change();
  void TrackBar3Change();
  void CheckBox6Click();
  void CheckBox9Click();
  void CheckBox11Click();
  void SpeedButton3Click();
  void CheckBox7Click();
  void AdvSpinEdit5Change();
  void CheckBox3Click();
  void CheckBox4Click();
  void AdvSpinEdit6Change();
  void AdvSpinEdit7Change();
  void MyMotion1Detected(MyMotion* Sender);
  void PicCap();
  void ImageTimerTimer();
  void ReconnectTimerTimer();

  // Whether the source runs, or is lost and being reconnected: what Start and Stop follow.
  bool sourceRunning() const;
  const ReconnectSchedule& reconnectSchedule() const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void connectHandlers();
  QString caption() const { return windowTitle(); }
  void writeLog(const QString& message, const QString& value);

  // The steps of the frame pipeline.
  bool detectionArmed() const;  // Detect is on and its countdown over
  bool finishImageSeries();     // one series sent per frame, which then goes no further
  void paintFrame();
  void examineFrame();
  void soundAlarm();
  void dispatchDelivery();
  // E-mail first, then FTP.
  std::array<DispatchChannel*, 2> channels() const { return {m_email.get(), m_ftp.get()}; }

  // The steps of LoadSettings. The values derived from the fields follow them, also
  // from an empty one.
  void finishLoad();

  AppServices& m_services;
  WindowHandlers m_handlers;
  const Clock& m_clock;
  const ProgramPaths m_paths;
  std::unique_ptr<TMaskForm> m_ownMaskForm;
  TMaskForm& m_maskForm;
  Canvas m_canvas;
  SnapshotWriter m_snapshots;
  std::unique_ptr<CameraValues> m_cameraValues;
  std::unique_ptr<SourceLifecycle> m_source;
  std::unique_ptr<MotionDetection> m_detection;
  std::unique_ptr<MotionAlerts> m_alerts;
  std::unique_ptr<DetectionArming> m_arming;
  std::unique_ptr<DispatchChannel> m_email;
  std::unique_ptr<DispatchChannel> m_ftp;
  std::unique_ptr<MotionRules> m_rules;
};
