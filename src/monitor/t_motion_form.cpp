#include "t_motion_form.h"

#include "base/app_services.h"
#include "base/clock.h"
#include "base/help_topic.h"
#include "base/prompts.h"
#include "capture/ui/video_capture.h"
#include "detect/my_motion.h"
#include "detect/ui/t_mask_form.h"
#include "eventlog/date_time_text.h"
#include "monitor/camera_values.h"
#include "monitor/detection_arming.h"
#include "monitor/motion_alerts.h"
#include "monitor/motion_detection.h"
#include "monitor/motion_options_panel.h"
#include "monitor/motion_rules.h"
#include "monitor/picture_area.h"
#include "monitor/picture_folder.h"
#include "monitor/source_lifecycle.h"
#include "monitor/spin_edit.h"
#include "monitor/status_panels.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>
#include <utility>

namespace {

const QString kInitialCaption = QStringLiteral("MotionForm");

QTimer* timer(const char* name, int intervalMs, QObject* parent) {
  auto* result = new QTimer(parent);
  result->setObjectName(QLatin1String(name));
  result->setInterval(intervalMs);
  return result;
}

}  // namespace

TMotionForm::TMotionForm(AppServices& services, Prompts& prompts, const Clock& clock,
                         const ProgramPaths& paths, TMaskForm* maskForm, QWidget* parent,
                         DispatchTiming dispatchTiming)
    : QWidget(parent),
      m_services(services),
      m_handlers(prompts),
      m_clock(clock),
      m_paths(paths),
      m_ownMaskForm(maskForm ? nullptr : std::make_unique<TMaskForm>(prompts, paths.programFolder)),
      m_maskForm(maskForm ? *maskForm : *m_ownMaskForm),
      m_snapshots(
          clock, [this](const QString& text) { setStatusNotice(kSnapshotNoticePanel, text); },
          [this](const QString& message, const QString& value) { writeLog(message, value); }) {
  setWindowTitle(kInitialCaption);
  setProperty("helpContext", HelpTopic::CameraWindow);
  setMinimumSize(365, 345);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);

  VideoCapture1 = new TVideoCapture(m_handlers, this);
  VideoCapture1->setObjectName(QStringLiteral("VideoCapture1"));
  VideoCapture1->hide();

  MyMotion1 = new MyMotion(this);
  MyMotion1->setObjectName(QStringLiteral("MyMotion1"));

  ImageTimer = timer("ImageTimer", 30000, this);
  ReconnectTimer = timer("ReconnectTimer", 1000, this);

  Panel1 = new MotionOptionsPanel(this);
  Panel1->hide();
  m_arming = std::make_unique<DetectionArming>(*Panel1->CheckBox1, *this,
                                               [this](const QString& text) { setStatusPanelText(0, text); });
  DetectOnStartTimer1 = m_arming->detectOnStart();
  DelayStart = m_arming->delayStart();
  Panel2 = new QPushButton(QStringLiteral(">>"), this);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  Panel2->setFixedWidth(24);
  Panel2->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  PaintBox1 = new PictureArea(m_canvas,
                              m_handlers.slot(std::bind_front(&TMotionForm::PaintBox1DblClick, this)), this);
  StatusBar1 = new StatusPanels(this);

  auto* row = new QHBoxLayout;
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  row->addWidget(Panel1);
  row->addWidget(Panel2);
  row->addWidget(PaintBox1);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addLayout(row);
  column->addWidget(StatusBar1);

  const DispatchChannel::Window window{*this, *StatusBar1, LastFrame, MyMotion1->DetectedBitmap()};
  m_email = std::make_unique<DispatchChannel>(DispatchChannel::Kind::email(), *Panel1->CheckBox4, m_paths,
                                              services, clock, m_handlers, window, dispatchTiming);
  m_ftp = std::make_unique<DispatchChannel>(DispatchChannel::Kind::ftp(), *Panel1->CheckBox3, m_paths,
                                            services, clock, m_handlers, window, dispatchTiming);
  EmailTimer1 = m_email->rateLimit();
  FTPTimer1 = m_ftp->rateLimit();

  m_cameraValues = std::make_unique<CameraValues>(*Panel1, *PaintBox1->FitPicture, m_paths.settingsFile);
  m_alerts = std::make_unique<MotionAlerts>(services, clock, *Panel1);
  m_detection = std::make_unique<MotionDetection>(*MyMotion1, *Panel1, MaskImage, m_maskForm, m_handlers,
                                                  m_paths.programFolder);
  m_source = std::make_unique<SourceLifecycle>(
      *VideoCapture1, *Panel1, *DetectOnStartTimer1, *ReconnectTimer, m_handlers,
      SourceLifecycle::Window{
          [this] { return caption(); }, [this](const QString& text) { setStatusPanelText(0, text); },
          [this](const QString& message, const QString& value) { writeLog(message, value); }});
  m_rules = std::make_unique<MotionRules>(
      *MyMotion1, *Panel1, services, clock, m_paths, m_handlers, *this,
      MotionRules::Window{[this] { MyMotion1Detected(MyMotion1); }, [this] { return caption(); },
                          [this](const QString& text) { setStatusNotice(kSnapshotNoticePanel, text); }});
  connectHandlers();
  DetectOnStartTimer1->start();
  // The window counts as shown once it is made, so its show handler
  // runs here, before the owner names it.
  m_handlers.enter([this] { FormShow(); });
}

// The capture component goes first: its graph stops before the frame it calls
// back with and the window's members are gone.
TMotionForm::~TMotionForm() { delete VideoCapture1; }

QString TMotionForm::statusPanelText(int panel) const { return StatusBar1->panelText(panel); }

void TMotionForm::setStatusPanelText(int panel, const QString& text) {
  StatusBar1->setPanelText(panel, text);
}

void TMotionForm::setStatusNotice(int panel, const QString& text) { StatusBar1->setNotice(panel, text); }

void TMotionForm::writeLog(const QString& message, const QString& value) {
  m_services.writeLogEntry(caption(), message + DateTimeText(m_clock.now()), value);
}

// ---- Start, stop, video modes, options panel ----

void TMotionForm::FormShow() {
  PictureFolder::fromSettings(m_paths).removeStaleTemporaries(m_clock);
  Panel1->PageControl1->setCurrentIndex(0);
  SpeedButton1Click();
  resize(365, 315);  // the minimum size raises the height to 345
  m_arming->followDetect();
}

void TMotionForm::SpeedButton1Click() {
  const bool started = m_source->start(m_services.VideoSource(), [this] { ComboBox2Change(); });
  if (started && caption() != kInitialCaption)
    writeLog(QStringLiteral("Device Started By User on "), QStringLiteral("Device Events"));
}

void TMotionForm::ListVideoModes() { m_source->listVideoModes(); }

void TMotionForm::ComboBox2Change() {
  PaintBox1->hide();
  const QSize size = m_source->setVideoMode(Panel1->ComboBox2->currentIndex());
  PaintBox1->resize(size);  // the layout then fills the area again
  PaintBox1->show();
}

void TMotionForm::Button2Click() {
  if (m_source->stop())
    writeLog(QStringLiteral("Device Stopped By User on "), QStringLiteral("Device Events"));
  for (auto* channel : channels()) channel->cutShort();
}

bool TMotionForm::sourceRunning() const { return m_source->running(); }

const ReconnectSchedule& TMotionForm::reconnectSchedule() const { return m_source->schedule(); }

void TMotionForm::VideoCapture1DeviceLost(TVideoCapture*) {
  m_source->lost();
  for (auto* channel : channels()) channel->cutShort();
}

void TMotionForm::ReconnectTimerTimer() { m_source->tick(); }

void TMotionForm::PaintBox1DblClick() { Panel1->toggle(*Panel2, *this); }

// ---- The frame pipeline ----

void TMotionForm::VideoCapture1BitmapGrabbed(TVideoCapture*, const FrameBitmap& CapturedImage) {
  LastFrame = CapturedImage;
  m_source->frameArrived();
  if (finishImageSeries())
    return;
  paintFrame();
  if (detectionArmed())
    examineFrame();
}

bool TMotionForm::detectionArmed() const { return m_arming->armed(); }

void TMotionForm::VideoCapture1FrameRendered(TVideoCapture* Sender) { Sender->GrabNextBitmap(); }

bool TMotionForm::finishImageSeries() { return m_email->finishSeries() || m_ftp->finishSeries(); }

void TMotionForm::paintFrame() { PaintBox1->showFrame(LastFrame); }

// The detector's motion reaches the motion actions through the rules' filter.
void TMotionForm::examineFrame() {
  if (m_detection->examine(LastFrame, m_canvas))
    m_rules->passDone();
}

// ---- Detection switch, countdown and detector settings ----

void TMotionForm::CheckBox1Click() {
  m_source->detectChosen();
  m_arming->detectSwitched();
  m_rules->restart();
}

void TMotionForm::DelayStartTimer() { m_arming->tick(); }

void TMotionForm::DetectOnStartTimer1Timer() { m_arming->turnOn(); }

void TMotionForm::AdvSpinEdit1Change() { m_detection->gridSensitivityChanged(); }

void TMotionForm::TrackBar1Change() { m_detection->motionSensitivityChanged(); }

void TMotionForm::TrackBar2Change() { m_detection->horizontalPartsChanged(); }

void TMotionForm::TrackBar3Change() { m_detection->verticalPartsChanged(); }

void TMotionForm::CheckBox6Click() { m_detection->quickDetectChanged(); }

void TMotionForm::CheckBox9Click() { m_detection->showGridChanged(); }

void TMotionForm::CheckBox11Click() { m_detection->useMaskChanged(caption(), LastFrame); }

void TMotionForm::SpeedButton3Click() { m_detection->editMask(caption(), LastFrame); }

// ---- Motion events and timed capture ----

void TMotionForm::MyMotion1Detected(MyMotion*) {
  PaintBox1->markMotion();
  m_alerts->showBalloon(caption());
  soundAlarm();
  PicCap();
  dispatchDelivery();
}

void TMotionForm::soundAlarm() {
  if (m_alerts->soundAlarm())
    writeLog(QStringLiteral("Alarm Sounded on "), QStringLiteral("Alarm"));
}

void TMotionForm::dispatchDelivery() {
  for (auto* channel : channels()) channel->motionDetected(Panel1->CheckBox12->isChecked());
}

void TMotionForm::PicCap() {
  if (!Panel1->CheckBox2->isChecked() || !m_rules->snapshotDue())
    return;
  setStatusPanelText(0, QStringLiteral("Saving Frame...."));
  StatusBar1->repaint();
  const auto savingEnded = qScopeGuard([this] { setStatusPanelText(0, {}); });
  if (PictureDir.isEmpty())
    PictureDir = PictureFolder::fromSettings(m_paths).root();
  m_rules->beforeSnapshot(PictureDir);
  m_snapshots.write(SnapshotKind::Motion, MyMotion1->DetectedBitmap(), caption(), PictureFolder(PictureDir));
}

void TMotionForm::ImageTimerTimer() {
  if (!m_source->live() || !VideoCapture1->Previewing())
    return;  // stopped, lost or no frame yet: the last one would be stamped with a moment it did not see
  const PictureFolder folder = PictureFolder::fromSettings(m_paths);
  m_rules->beforeSnapshot(folder.root());
  m_snapshots.write(SnapshotKind::Timed, LastFrame, caption(), folder);
  setStatusPanelText(0, {});
}

void TMotionForm::CheckBox7Click() {
  if (Panel1->CheckBox7->isChecked())
    ImageTimer->start();
  else
    ImageTimer->stop();
}

// The handlers below compute with the value clamped into the field's range, so a
// half-typed 0 never makes a timer fire without pause.
void TMotionForm::AdvSpinEdit5Change() {
  if (!Panel1->AdvSpinEdit5->text().isEmpty())
    ImageTimer->setInterval(Panel1->AdvSpinEdit5->boundedValue() * 1000);
}

// ---- Delivery options ----

void TMotionForm::CheckBox3Click() { m_ftp->requireAccount(); }

void TMotionForm::CheckBox4Click() { m_email->requireAccount(); }

void TMotionForm::AdvSpinEdit6Change() {
  if (Panel1->AdvSpinEdit6->text().isEmpty())
    return;
  for (auto* channel : channels()) channel->setSeriesLength(Panel1->AdvSpinEdit6->boundedValue());
}

void TMotionForm::AdvSpinEdit7Change() {
  for (auto* channel : channels()) channel->setIntervalMinutes(Panel1->AdvSpinEdit7->boundedValue());
}

// ---- Camera settings ----

void TMotionForm::LoadSettings(const QString& Caption) {
  const WindowHandlers::Scope loading(m_handlers);  // a close meanwhile saves what was loaded
  try {
    m_cameraValues->load(Caption, *DetectOnStartTimer1);
  } catch (...) {
    finishLoad();  // the derived values follow the controls also after a bad value
    throw;
  }
  finishLoad();
}

void TMotionForm::finishLoad() {
  TrackBar2Change();
  for (auto* channel : channels()) channel->setSeriesLength(Panel1->AdvSpinEdit6->boundedValue());
  AdvSpinEdit7Change();
  m_cameraValues->trackChanges();
  m_rules->load(caption(), m_handlers);
}

void TMotionForm::FormCloseQuery(bool& CanClose) {
  CanClose = false;
  m_handlers.enter([&] {
    m_cameraValues->save(caption(), m_source->detectBeforeLoss());
    m_rules->save(caption());
    CanClose = true;
  });
}

void TMotionForm::shutDown(std::function<void()> end) {
  for (QTimer* running : {DetectOnStartTimer1, DelayStart, ImageTimer, ReconnectTimer}) running->stop();
  for (auto* channel : channels()) channel->stop();
  m_rules->stop();
  VideoCapture1->setWantPreview(false);  // a lost device is not restarted either
  VideoCapture1->StopPreview();
  const bool handlerUnderWay = m_handlers.busy();
  m_handlers.whenIdle([this, handlerUnderWay, end = std::move(end)] {
    if (handlerUnderWay) {
      bool saved = false;
      FormCloseQuery(saved);
    }
    end();
  });
}

void TMotionForm::closeEvent(QCloseEvent* event) {
  bool canClose = true;
  FormCloseQuery(canClose);
  event->setAccepted(canClose);
}
