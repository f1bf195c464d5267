#pragma once

#include "alarm/sound_alarm.h"
#include "base/app_services.h"
#include "base/disk_full_notice.h"
#include "base/program_paths.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>

class Clock;
class ConnectionUse;
class ContextHelp;
class ConsoleEcho;
class DeliveryWorkers;
class EventLog;
class Prompts;
class QAction;
class QMdiArea;
class QMenu;
class TAboutBox;
class TAllWizForm;
class TChooseVSForm;
class TImageViewerForm;
class TLogForm;
class TMaskForm;
class TMotionForm;
class TOpenDir;
class TRasForm;
class TRasManager;
class TSoundAlarmForm;
class TrayNotice;
class WizardLibraries;

// The main window: a multiple-document frame holding the one camera window of the
// run, with the menus, the tray icon and the services it owns for the others (the
// event log, the chosen video source, the balloon, the sound alarm, the dial-up use
// and the delivery workers). The first
// time it is shown it runs the start-up sequence: splash, settings, event log,
// video source, camera.
class TMDIParent : public QMainWindow, public AppServices {
  Q_OBJECT

 public:
  // The tool windows it shows; made once at program start, after the main window.
  struct ToolWindows {
    TOpenDir* openDir = nullptr;
    TAboutBox* aboutBox = nullptr;
    TChooseVSForm* chooser = nullptr;
    TMaskForm* maskForm = nullptr;
    TSoundAlarmForm* soundAlarmForm = nullptr;
    TImageViewerForm* imageViewer = nullptr;
    TLogForm* logForm = nullptr;
    TRasForm* rasForm = nullptr;
    TAllWizForm* allWizForm = nullptr;
  };

  // How the program was started.
  struct RunOptions {
    // No display: nobody can make a choice, so the first video source is taken.
    bool headless = false;
    // Where the start line and each log entry are echoed; none when null.
    ConsoleEcho* echo = nullptr;
    // The program's own arguments, which "Run at Startup" stores after its path.
    QStringList arguments;
  };

  TMDIParent(Prompts& prompts, Clock& clock, const ProgramPaths& paths, QWidget* parent = nullptr);
  ~TMDIParent() override;

  void setToolWindows(const ToolWindows& windows) { m_tools = windows; }
  // Whether a system tray shows the icon; the desktop's answer unless set.
  void setTrayAvailability(std::function<bool()> available) { m_trayAvailable = std::move(available); }
  void setRunOptions(const RunOptions& options) { m_run = options; }
  // Whether a person sees the windows; false on the offscreen platform unless set.
  void setDisplayAvailability(std::function<bool()> available) { m_displayAvailable = std::move(available); }
  // Where the setup wizard plugins are looked for, in order; by default the program
  // folder, the installed library folder and this build's wizards.
  void setWizardFolders(const QStringList& folders);
  WizardLibraries& wizards() const { return *m_wizards; }

  // AppServices.
  void writeLogEntry(const QString& section, const QString& key, const QString& value) override;
  QString VideoSource() const override { return m_videoSource; }
  // Cuts the title at 63 and the text at 255 characters, as the tray balloon does.
  void showBalloon(const QString& title, const QString& text) override;
  bool AlarmSounding() const override { return m_soundAlarm.AlarmSounding(); }
  void PlaySoundAlarm() override { m_soundAlarm.PlaySoundAlarm(); }

  // The connection choice as read at start-up: no Internet and no entry before.
  qint32 ConnectionType() const override;
  qint32 DailNum() const override;
  void AcquireConnection() override;
  void ReleaseConnection() override;
  bool IsConnected(qint32 index) override;
  std::optional<QString> cameraCaption(qint32 childIndex) const override;
  void setCameraStatus(qint32 childIndex, int panel, const QString& text) override;
  void startDelivery(DeliveryChannel channel, qint32 childIndex) override;
  DeliveryWorkers& deliveries() const { return *m_deliveries; }
  bool startUpDone() const { return m_startUpDone; }
  QMdiArea* clientArea() const { return m_mdiArea; }
  // The camera window of the run, once made; null without a video source.
  TMotionForm* cameraWindow() const;
  TrayNotice* notice() const { return m_notice.get(); }
  // The event log, open from the start-up until the window closes; null otherwise.
  EventLog* eventLog() const { return m_eventLog.get(); }
  const SoundAlarm& soundAlarm() const { return m_soundAlarm; }

  // Handlers.
  void FormShow();
  void OutDirExecute();
  void RunOnStartupExecute();
  void OneConnectExecute();
  // Shows the connection selection dialog without waiting; the choice applies at
  // the next start.
  void ConnectionExecute();
  // The help page from its top; F1 opens it at the topic of the window.
  void HelpActionExecute();
  void SupEmail1Execute();
  void Forum1Execute();
  void AboutActionExecute();
  void SAlarmExecute();
  void OpenViewerExecute();
  void LogViewExecute();
  void FTPWizBtnExecute();
  void EmailWizExecute();
  // Stops the alarm at once (the tray item "Stop Sound Alarm"); the end of the
  // sound stops it the same way.
  void BitBtn1Click() { m_soundAlarm.stop(); }
  void StopSoundAlarm1Click() { BitBtn1Click(); }
  void CoolTrayIcon1DblClick() { Restore1Click(); }
  void Restore1Click();
  // Into the tray when there is one, else an ordinary minimise.
  void Minimize1Click();
  void Exit1Click() { close(); }

  QAction* FileExit1;
  QAction* OutDir;
  QAction* RunOnStartup;
  QAction* SAlarm;
  QAction* OpenViewer;
  QAction* LogView;
  QAction* FTPWizBtn;
  QAction* EmailWiz;
  QAction* OneConnect;
  QAction* Connection;
  QAction* HelpAction;
  QAction* Forum1;
  QAction* SupEmail1;
  QAction* AboutAction;
  QSystemTrayIcon* CoolTrayIcon1;
  QMenu* TrayMenu1;
  QAction* StopSoundAlarm1;
  // The dial-up phonebook; polled from the start-up on.
  TRasManager* RasManager1;

 signals:
  // The window closed for good: the program ends.
  void closed();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void createActions();
  void createMenus();
  void createTrayIcon();
  void tellSettingsProblem();
  void runStartUp();
  void GetConnectionSetup();
  void readOptionStates();
  void showFirstRunChooser();
  void tellUnwritableFolders();
  void chooseVideoSource();
  void echoStartLine();
  void createCameraWindow();
  void FormClose();
  TMotionForm* cameraAt(qint32 childIndex) const;

  Prompts& m_prompts;
  Clock& m_clock;
  const ProgramPaths m_paths;
  ToolWindows m_tools;
  RunOptions m_run;
  QMdiArea* m_mdiArea;
  std::unique_ptr<TrayNotice> m_notice;
  std::unique_ptr<EventLog> m_eventLog;
  DiskFullNotice m_logDiskFull{QStringLiteral("event log entries")};
  SoundAlarm m_soundAlarm;
  ContextHelp* m_help;
  QPointer<TMotionForm> m_camera;
  QString m_videoSource;
  bool m_startUpDone = false;
  bool m_closed = false;
  std::function<bool()> m_trayAvailable = &QSystemTrayIcon::isSystemTrayAvailable;
  std::function<bool()> m_displayAvailable;
  bool m_firstRunChooserSkipped = false;
  std::unique_ptr<WizardLibraries> m_wizards;
  std::unique_ptr<ConnectionUse> m_connections;  // from the start-up on
  std::unique_ptr<DeliveryWorkers> m_deliveries;
};
