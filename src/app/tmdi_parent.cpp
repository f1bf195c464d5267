#include "tmdi_parent.h"
#include "base/settings_keys.h"

#include "alarm/tcb_audio_play.h"
#include "alarm/ui/t_sound_alarm_form.h"
#include "app/autostart_entry.h"
#include "app/console_echo.h"
#include "app/console_lines.h"
#include "app/context_help.h"
#include "app/t_about.h"
#include "app/t_about_box.h"
#include "app/t_all_wiz_form.h"
#include "app/t_choose_vs_form.h"
#include "app/tray_notice.h"
#include "app/wizard_libraries.h"
#include "app/writable_folders.h"
#include "base/clock.h"
#include "base/error.h"
#include "base/handler_guard.h"
#include "base/help_topic.h"
#include "base/prompts.h"
#include "base/settings_store.h"
#include "capture/cap_device_info.h"
#include "capture/video_source.h"
#include "delivery/delivery_workers.h"
#include "dialup/connection_use.h"
#include "dialup/t_ras_manager.h"
#include "dialup/ui/t_ras_form.h"
#include "eventlog/event_log.h"
#include "eventlog/ui/t_log_form.h"
#include "monitor/detection_countdown.h"
#include "monitor/t_motion_form.h"
#include "viewer/t_image_viewer_form.h"
#include "viewer/t_open_dir.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>

#include <cstdio>

namespace {

const QString kNoVideoSources = QStringLiteral("No Video Sources Found!");
constexpr int kBalloonTimeoutMs = 10000;
// The camera counts "Detecting in 5" down to 1 before it detects.

// The help page: installed with the program, or beside the sources in a build tree.
QString helpFile(const ProgramPaths& paths) {
  const QString installed = paths.findAsset(QStringLiteral("Help/Quorvex.html"));
  if (!installed.isEmpty())
    return installed;
  const QString source = QStringLiteral(QUORVEX_SOURCE_DATA_DIR "/Help/Quorvex.html");
  return QFileInfo::exists(source) ? source : QString();
}

bool platformHasDisplay() {
  const QString platform = QGuiApplication::platformName();
  return platform != QStringLiteral("offscreen") && platform != QStringLiteral("minimal");
}

}  // namespace

TMDIParent::TMDIParent(Prompts& prompts, Clock& clock, const ProgramPaths& paths, QWidget* parent)
    : QMainWindow(parent),
      m_prompts(prompts),
      m_clock(clock),
      m_paths(paths),
      m_mdiArea(new QMdiArea(this)),
      m_notice(std::make_unique<TrayNotice>()),
      m_soundAlarm(prompts, paths, this),
      m_help(new ContextHelp(
          prompts, [paths] { return helpFile(paths); }, this)),
      m_displayAvailable(&platformHasDisplay),
      m_wizards(std::make_unique<WizardLibraries>(
          prompts, QStringList{paths.programFolder, QStringLiteral(QUORVEX_LIB_DIR),
                               QStringLiteral(QUORVEX_BUILD_WIZARDS_DIR)})),
      m_deliveries(std::make_unique<DeliveryWorkers>(
          DeliveryContext{*this, prompts, clock, paths.settingsFile}, paths.programFolder)) {
  setObjectName(QStringLiteral("MDIParent"));
  // The program's icon: the tray icon and every window take it from the application.
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/quorvex/quorvex.png")));
  setWindowTitle(QStringLiteral("Quorvex"));
  setProperty("helpContext", HelpTopic::MainWindow);
  resize(798, 564);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  m_mdiArea->setBackground(Qt::white);
  setCentralWidget(m_mdiArea);
  RasManager1 = new TRasManager(clock, this);
  createActions();
  createMenus();
  createTrayIcon();
  // The output devices are listed once, before any alarm player exists.
  AudioDeviceNames();
  m_soundAlarm.onSoundingChanged = [this](bool sounding) { StopSoundAlarm1->setEnabled(sounding); };
}

// The workers still running report here while they stop, so they go first.
TMDIParent::~TMDIParent() { m_deliveries.reset(); }

void TMDIParent::createActions() {
  auto make = [this](const char* name, const QString& text, void (TMDIParent::*handler)()) {
    auto* action = new QAction(text, this);
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, guardedSlot(m_prompts, this, handler));
    return action;
  };
  FileExit1 = make("FileExit1", QStringLiteral("E&xit"), &TMDIParent::Exit1Click);
  OutDir = make("OutDir", QStringLiteral("&Picture Directory"), &TMDIParent::OutDirExecute);
  SAlarm = make("SAlarm", QStringLiteral("&Sound Alarm File"), &TMDIParent::SAlarmExecute);
  RunOnStartup = make("RunOnStartup", QStringLiteral("&Run at Startup"), &TMDIParent::RunOnStartupExecute);
  RunOnStartup->setCheckable(true);
  OneConnect = make("OneConnect", QStringLiteral("&Connect Only Once"), &TMDIParent::OneConnectExecute);
  OneConnect->setCheckable(true);
  OneConnect->setChecked(true);
  OpenViewer = make("OpenViewer", QStringLiteral("&Open Image Viewer"), &TMDIParent::OpenViewerExecute);
  LogView = make("LogView", QStringLiteral("O&pen Log Viewer"), &TMDIParent::LogViewExecute);
  FTPWizBtn = make("FTPWizBtn", QStringLiteral("&FTP Setup Wizard"), &TMDIParent::FTPWizBtnExecute);
  EmailWiz = make("EmailWiz", QStringLiteral("&Email Setup Wizard"), &TMDIParent::EmailWizExecute);
  HelpAction = make("HelpAction", QStringLiteral("&Help on Quorvex"), &TMDIParent::HelpActionExecute);
  Forum1 = make("Forum1", QStringLiteral("&Quorvex Forum"), &TMDIParent::Forum1Execute);
  SupEmail1 = make("SupEmail1", QStringLiteral("Quorvex Support"), &TMDIParent::SupEmail1Execute);
  AboutAction = make("AboutAction", QStringLiteral("&About Quorvex"), &TMDIParent::AboutActionExecute);
  Connection = make("Connection", QStringLiteral("&Connection Wizard"), &TMDIParent::ConnectionExecute);
}

void TMDIParent::createMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->addAction(FileExit1);
  QMenu* options = menuBar()->addMenu(QStringLiteral("O&ptions"));
  options->addAction(OutDir);
  options->addAction(SAlarm);
  options->addAction(RunOnStartup);
  options->addAction(OneConnect);
  QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
  tools->addAction(OpenViewer);
  tools->addAction(LogView);
  QMenu* wizards = menuBar()->addMenu(QStringLiteral("&Wizards"));
  wizards->addAction(FTPWizBtn);
  wizards->addAction(EmailWiz);
  wizards->addAction(Connection);
  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  help->addAction(HelpAction);
  help->addAction(Forum1);
  help->addAction(SupEmail1);
  help->addSeparator();
  help->addAction(AboutAction);
}

void TMDIParent::createTrayIcon() {
  TrayMenu1 = new QMenu(this);
  TrayMenu1->setObjectName(QStringLiteral("TrayMenu1"));
  StopSoundAlarm1 = TrayMenu1->addAction(QStringLiteral("Stop Sound Alarm"));
  StopSoundAlarm1->setEnabled(false);
  connect(StopSoundAlarm1, &QAction::triggered, this,
          guardedSlot(m_prompts, this, &TMDIParent::StopSoundAlarm1Click));
  TrayMenu1->addSeparator();
  connect(TrayMenu1->addAction(QStringLiteral("Restore")), &QAction::triggered, this,
          guardedSlot(m_prompts, this, &TMDIParent::Restore1Click));
  connect(TrayMenu1->addAction(QStringLiteral("Minimize")), &QAction::triggered, this,
          guardedSlot(m_prompts, this, &TMDIParent::Minimize1Click));
  TrayMenu1->addSeparator();
  connect(TrayMenu1->addAction(QStringLiteral("Exit")), &QAction::triggered, this,
          guardedSlot(m_prompts, this, &TMDIParent::Exit1Click));

  CoolTrayIcon1 = new QSystemTrayIcon(QApplication::windowIcon(), this);
  CoolTrayIcon1->setToolTip(QStringLiteral("Quorvex"));
  CoolTrayIcon1->setContextMenu(TrayMenu1);
  // The menu opens on the left button too; the right one is the context menu's own.
  connect(CoolTrayIcon1, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger)
      TrayMenu1->popup(QCursor::pos());
    else if (reason == QSystemTrayIcon::DoubleClick)
      guarded(m_prompts, [this] { CoolTrayIcon1DblClick(); });
  });
}

void TMDIParent::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (m_startUpDone)
    return;
  m_startUpDone = true;
  // Queued, so the window is on screen before the splash and the dialogs.
  QMetaObject::invokeMethod(this, &TMDIParent::FormShow, Qt::QueuedConnection);
}

void TMDIParent::FormShow() {
  CoolTrayIcon1->show();
  tellSettingsProblem();
  TAbout splash;
  splash.splashme();
  // An error ends the sequence where it happened; the splash goes all the same.
  guarded(m_prompts, [this] { runStartUp(); });
}

void TMDIParent::tellSettingsProblem() {
  const QString problem = SettingsStore::fileProblem(m_paths.settingsFile);
  if (!problem.isEmpty())
    m_prompts.messageBox(
        {problem, Prompts::programCaption(), Prompts::Icon::Warning, Prompts::Buttons::Ok, 0});
}

void TMDIParent::runStartUp() {
  tellUnwritableFolders();
  RasManager1->StartMonitoring();
  GetConnectionSetup();
  readOptionStates();
  // Dates and times are always written with "-" separators (DateTimeText).
  m_videoSource.clear();
  m_eventLog = std::make_unique<EventLog>();
  m_eventLog->Open(m_paths.programFolder + QStringLiteral("Quorvex.log"));
  showFirstRunChooser();
  chooseVideoSource();
  if (!m_videoSource.isEmpty()) {
    try {
      createCameraWindow();
    } catch (...) {
      echoStartLine();
      throw;
    }
  }
  echoStartLine();
}

// Once at start: otherwise snapshots and log entries would fail one by one unseen.
void TMDIParent::tellUnwritableFolders() {
  const QString warning = unwritableFoldersWarning(m_paths.programFolder, m_paths.settingsFile);
  if (warning.isEmpty())
    return;
  if (!m_run.headless)  // the headless prompts print the box on standard error already
    std::fprintf(stderr, "Quorvex: %s\n", QString(warning).replace(u'\r', u' ').toLocal8Bit().constData());
  m_prompts.messageBox({warning, Prompts::programCaption(), Prompts::Icon::Warning, Prompts::Buttons::Ok, 0});
}

void TMDIParent::echoStartLine() {
  if (!m_run.echo)
    return;
  StartFacts facts{QCoreApplication::applicationVersion(),
                   m_paths.programFolder,
                   m_paths.settingsFile,
                   {},
                   m_videoSource,
                   -1};
  for (const VideoSourceEntry& source : videoSources())
    facts.sources.append(QStringLiteral("%1 (%2)").arg(source.name, source.uri));
  if (videoSources().isEmpty())
    facts.sources = GetVideoDeviceNames(false);
  if (m_camera && m_camera->DetectOnStartTimer1->isActive()) {
    const int milliseconds = m_camera->DetectOnStartTimer1->remainingTime() +
                             DetectionCountdown::kSeconds * m_camera->DelayStart->interval();
    facts.detectionStartsInSeconds = (milliseconds + 500) / 1000;
  }
  m_run.echo->writeLine(startLine(facts));
  // The alarm plays on the default output; without any, the run says why it is silent.
  if (AudioDeviceNames().isEmpty())
    m_run.echo->writeLine(QStringLiteral("No audio output device found: the sound alarm cannot be heard."));
  if (m_firstRunChooserSkipped)
    m_run.echo->writeLine(QStringLiteral("The set-up chooser was skipped because there is no display."));
}

// Until the chooser ends with OK (or Cancel with "Don't show me again."), it comes back
// at every start. Without a display nobody could answer it, so it is not shown then.
void TMDIParent::showFirstRunChooser() {
  SettingsStore settings(m_paths.settingsFile);
  if (!settings.OpenKey(applicationKey(), true) || settings.ValueExists(QStringLiteral("AllWiz")) ||
      !m_tools.allWizForm)
    return;
  if (m_run.headless || !m_displayAvailable()) {
    m_firstRunChooserSkipped = m_run.headless;
    return;
  }
  settings.CloseKey();  // the steps write to the key themselves meanwhile
  if (m_tools.allWizForm->exec() != QDialog::Accepted || m_closed)
    return;
  if (settings.OpenKey(applicationKey(), true))
    settings.WriteBool(QStringLiteral("AllWiz"), true);
}

// The connection of entry DailNum that is up now counts as one user, which never
// releases it.
void TMDIParent::GetConnectionSetup() {
  m_connections = std::make_unique<ConnectionUse>(*RasManager1, ConnectionSetup::read(m_paths.settingsFile));
}

qint32 TMDIParent::ConnectionType() const {
  return m_connections ? m_connections->ConnectionType() : static_cast<qint32>(ConnectionKind::NoInternet);
}

qint32 TMDIParent::DailNum() const { return m_connections ? m_connections->DailNum() : -1; }

void TMDIParent::AcquireConnection() {
  if (!m_connections)
    throw Error(QStringLiteral("The connection setup has not been read"));
  m_connections->AcquireConnection();
}

void TMDIParent::ReleaseConnection() {
  if (m_connections)
    m_connections->ReleaseConnection();
}

bool TMDIParent::IsConnected(qint32 index) {
  if (!m_connections)
    throw Error(QStringLiteral("List index out of bounds (%1)").arg(index));
  return m_connections->IsConnected(index);
}

// The camera window's index is its tag.
TMotionForm* TMDIParent::cameraAt(qint32 childIndex) const {
  TMotionForm* camera = m_camera;
  return camera && camera->property("tag").toInt() == childIndex ? camera : nullptr;
}

std::optional<QString> TMDIParent::cameraCaption(qint32 childIndex) const {
  if (const TMotionForm* camera = cameraAt(childIndex))
    return camera->windowTitle();
  return std::nullopt;
}

void TMDIParent::setCameraStatus(qint32 childIndex, int panel, const QString& text) {
  if (TMotionForm* camera = cameraAt(childIndex))
    camera->setStatusPanelText(panel, text);
}

void TMDIParent::startDelivery(DeliveryChannel channel, qint32 childIndex) {
  m_deliveries->startDelivery(channel, childIndex);
}

void TMDIParent::readOptionStates() {
  RunOnStartup->setChecked(AutostartEntry::exists());
  SettingsStore settings(m_paths.settingsFile);
  if (settings.OpenKey(applicationKey(), true)) {
    const QString name = QStringLiteral("ConnectOnlyOnce");
    OneConnect->setChecked(!settings.ValueExists(name) || settings.ReadBool(name));
  }
}

void TMDIParent::chooseVideoSource() {
  auto ask = [this](Prompts::Buttons buttons) {
    return m_prompts.messageBox({kNoVideoSources, Prompts::programCaption(), Prompts::Icon::Information,
                                 buttons, HelpTopic::NoVideoSources});
  };
  auto closeLater = [this] { QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection); };

  QStringList names = GetVideoDeviceNames(true);
  if (names.isEmpty()) {
    const Prompts::Answer answer = ask(Prompts::Buttons::AbortRetryIgnore);
    if (answer == Prompts::Answer::Retry)
      names = GetVideoDeviceNames(true);
    else if (answer == Prompts::Answer::Abort)
      closeLater();
    if (names.isEmpty()) {
      if (answer == Prompts::Answer::Retry && ask(Prompts::Buttons::AbortIgnore) == Prompts::Answer::Abort)
        closeLater();
      return;
    }
  }
  if (names.size() == 1) {
    m_videoSource = names.first();
  } else if (m_run.headless) {
    m_videoSource = names.first();
    m_prompts.messageBox({QStringLiteral("%1 video sources (%2): using the first, %3, as nobody can choose "
                                         "without a display.")
                              .arg(names.size())
                              .arg(names.join(QStringLiteral(", ")), m_videoSource),
                          Prompts::programCaption(), Prompts::Icon::Information, Prompts::Buttons::Ok, 0});
  } else if (m_tools.chooser) {
    m_tools.chooser->setDeviceNames(names);
    if (m_tools.chooser->exec() == QDialog::Accepted)
      m_videoSource = m_tools.chooser->chosenText();
  }
}

TMotionForm* TMDIParent::cameraWindow() const { return m_camera; }

// The window starts its source as it is made, so VideoSource is set before. A
// close while a start-up box was open (also one of the camera's first start) ends
// the start-up here; nothing was loaded, so nothing is saved.
void TMDIParent::createCameraWindow() {
  auto* camera = new TMotionForm(*this, m_prompts, m_clock, m_paths, m_tools.maskForm);
  if (m_closed) {
    delete camera;
    return;
  }
  camera->setObjectName(QStringLiteral("Cam") + QString::number(1));
  camera->setProperty("tag", 0);
  // No caption buttons: the camera window closes only with the main window.
  QMdiSubWindow* frame =
      m_mdiArea->addSubWindow(camera, Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  m_camera = camera;
  camera->setWindowTitle(m_videoSource);
  camera->repaint();
  try {
    camera->LoadSettings(m_videoSource);
  } catch (...) {
    frame->show();  // the window is there whatever its settings held
    throw;
  }
  frame->show();
}

void TMDIParent::closeEvent(QCloseEvent* event) {
  if (m_closed) {
    event->accept();  // closed once already, e.g. again from inside a box
    return;
  }
  // The camera window saves its values first; it shows why when it cannot.
  bool canClose = true;
  if (m_camera)
    m_camera->FormCloseQuery(canClose);
  if (!canClose) {
    event->ignore();
    return;
  }
  // Running deliveries end first: their reports still reach the window and the log.
  m_deliveries->stopAll();
  guarded(m_prompts, [this] { FormClose(); });
  CoolTrayIcon1->hide();
  m_notice->hide();
  QMainWindow::closeEvent(event);
  emit closed();
}

// The close may come while a handler waits on a box (a signal, the tray's Exit),
// so the camera is stopped at once but freed, and the log it writes to closed,
// only once no handler of the camera is under way.
void TMDIParent::FormClose() {
  m_closed = true;
  m_wizards->unloadAll();
  TMotionForm* camera = m_camera;
  m_camera = nullptr;
  if (!camera) {
    m_eventLog.reset();  // flushes
    return;
  }
  QWidget* frame = camera->parentWidget();
  camera->shutDown([this, frame] {
    frame->deleteLater();
    m_eventLog.reset();
  });
}

void TMDIParent::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  // With a tray, minimising leaves only its icon; without one the window stays
  // minimised where the desktop shows it, as the icon would be its only way back.
  if (event->type() == QEvent::WindowStateChange && isMinimized() && m_trayAvailable())
    QTimer::singleShot(0, this, &QWidget::hide);
}

void TMDIParent::Minimize1Click() {
  if (m_trayAvailable())
    hide();
  else
    showMinimized();
}

void TMDIParent::Restore1Click() {
  showNormal();
  raise();
  activateWindow();
}

// Echoed once per entry (motion rewrites the same key many times within its second),
// and also when the log cannot take it. On a full disk the entry is lost and the
// outage told once, on standard error and in the camera window's status bar; the next
// entry is tried all the same.
void TMDIParent::writeLogEntry(const QString& section, const QString& key, const QString& value) {
  const auto echo = [&] {
    if (m_run.echo)
      m_run.echo->writeLine(logEntryLine(m_clock.now(), section, key, value));
  };
  if (!m_eventLog) {
    echo();
    return;
  }
  try {
    if (m_eventLog->WriteEntry(section, key, value))
      echo();
  } catch (const Error& error) {
    echo();  // the entry is seen also when the log cannot take it
    if (!m_logDiskFull.failed(m_paths.programFolder, error.systemError()))
      throw;
    if (m_camera)
      m_camera->setStatusNotice(TMotionForm::kLogNoticePanel, m_logDiskFull.text());
    return;
  }
  if (m_logDiskFull.saved() && m_camera)
    m_camera->setStatusNotice(TMotionForm::kLogNoticePanel, {});
}

void TMDIParent::showBalloon(const QString& title, const QString& text) {
  const QString shownTitle = title.left(63);
  QString shownText = text.left(255);
  shownText.replace(u'\r', u'\n');
  if (m_trayAvailable() && CoolTrayIcon1->isVisible())
    CoolTrayIcon1->showMessage(shownTitle, shownText, QSystemTrayIcon::Information, kBalloonTimeoutMs);
  else
    m_notice->showNotice(shownTitle, shownText, kBalloonTimeoutMs);
}

void TMDIParent::OutDirExecute() {
  if (!m_tools.openDir || m_tools.openDir->exec() != QDialog::Accepted)
    return;
  SettingsStore settings(m_paths.settingsFile);
  if (settings.OpenKey(applicationKey(), true))
    settings.WriteString(QStringLiteral("ImageDir"), m_tools.openDir->ChosenDir());
}

// Shown without waiting; the alarm file it stores is read at the next alarm.
void TMDIParent::SAlarmExecute() {
  if (!m_tools.soundAlarmForm)
    return;
  m_tools.soundAlarmForm->show();
  m_tools.soundAlarmForm->raise();
  m_tools.soundAlarmForm->activateWindow();
}

namespace {

// Shown without waiting; a window already shown only comes to the front.
void showToolWindow(QWidget* window) {
  if (!window)
    return;
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace

void TMDIParent::OpenViewerExecute() { showToolWindow(m_tools.imageViewer); }

void TMDIParent::LogViewExecute() { showToolWindow(m_tools.logForm); }

void TMDIParent::setWizardFolders(const QStringList& folders) {
  m_wizards = std::make_unique<WizardLibraries>(m_prompts, folders);
}

void TMDIParent::FTPWizBtnExecute() { m_wizards->runFtpWizard(); }

void TMDIParent::EmailWizExecute() { m_wizards->runMailWizard(); }

// Opened from the first-run chooser, which waits application-modal, the connection
// dialog must be application-modal itself to take input.
void TMDIParent::ConnectionExecute() {
  QWidget* dialog = m_tools.rasForm;
  if (!dialog)
    return;
  const bool fromChooser = m_tools.allWizForm && m_tools.allWizForm->isVisible();
  if (!dialog->isVisible())
    dialog->setWindowModality(fromChooser ? Qt::ApplicationModal : Qt::NonModal);
  showToolWindow(dialog);
}

void TMDIParent::RunOnStartupExecute() {
  if (RunOnStartup->isChecked())
    AutostartEntry::write(QStringList{QCoreApplication::applicationFilePath()} + m_run.arguments);
  else
    AutostartEntry::remove();
}

void TMDIParent::OneConnectExecute() {
  SettingsStore settings(m_paths.settingsFile);
  if (settings.OpenKey(applicationKey(), true))
    settings.WriteBool(QStringLiteral("ConnectOnlyOnce"), OneConnect->isChecked());
}

void TMDIParent::HelpActionExecute() { m_help->open(0); }

void TMDIParent::SupEmail1Execute() {
  QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:" QUORVEX_SUPPORT_EMAIL)));
}

void TMDIParent::Forum1Execute() { QDesktopServices::openUrl(QUrl(QStringLiteral(QUORVEX_FORUM_URL))); }

void TMDIParent::AboutActionExecute() {
  if (m_tools.aboutBox)
    m_tools.aboutBox->exec();
}
