#pragma once

#include "base/app_services.h"
#include "capture/ui/video_capture.h"
#include "capture/video_source.h"
#include "detect/my_motion.h"
#include "eventlog/date_time_text.h"
#include "monitor/motion_options_panel.h"
#include "monitor/spin_edit.h"
#include "monitor/t_motion_form.h"
#include "support/event_loop.h"
#include "support/files.h"
#include "support/fixed_clock.h"
#include "support/scripted_prompts.h"
#include "support/temp_home.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// What the camera window asks of the main window, recorded in one ordered list:
// "log <section> | <key> | <value>", "balloon <title> | <text>", "alarm",
// "deliver email|ftp <child index>", "status <panel> <text>". A delivery and a
// status text are passed on when a test sets where to.
class RecordingServices final : public AppServices {
 public:
  void writeLogEntry(const QString& section, const QString& key, const QString& value) override {
    calls.append(QStringLiteral("log %1 | %2 | %3").arg(section, key, value));
  }
  QString VideoSource() const override { return videoSource; }
  void showBalloon(const QString& title, const QString& text) override {
    calls.append(QStringLiteral("balloon %1 | %2").arg(title, text));
    if (onBalloon)
      onBalloon();
  }
  bool AlarmSounding() const override { return alarmSounding; }
  void PlaySoundAlarm() override {
    calls.append(QStringLiteral("alarm"));
    alarmSounding = true;
  }
  qint32 ConnectionType() const override { return 2; }
  qint32 DailNum() const override { return -1; }
  void AcquireConnection() override {}
  void ReleaseConnection() override {}
  bool IsConnected(qint32) override { return false; }
  std::optional<QString> cameraCaption(qint32) const override { return videoSource; }
  void setCameraStatus(qint32, int panel, const QString& text) override {
    calls.append(QStringLiteral("status %1 %2").arg(panel).arg(text));
    if (onStatus)
      onStatus(panel, text);
  }
  void startDelivery(DeliveryChannel channel, qint32 childIndex) override {
    calls.append(QStringLiteral("deliver %1 %2")
                     .arg(channel == DeliveryChannel::Email ? "email" : "ftp")
                     .arg(childIndex));
    if (onDelivery)
      onDelivery(channel, childIndex);
  }

  QStringList callsStartingWith(const QString& prefix) const {
    QStringList found;
    for (const QString& call : calls)
      if (call.startsWith(prefix))
        found.append(call);
    return found;
  }

  QString videoSource = QStringLiteral("Cam");
  bool alarmSounding = false;
  QStringList calls;
  std::function<void()> onBalloon;
  std::function<void(int panel, const QString& text)> onStatus;
  std::function<void(DeliveryChannel channel, qint32 childIndex)> onDelivery;
};

// A real camera window on a --source video source in a fresh program folder, with
// scripted message boxes and a fixed clock.
class MotionFormTest : public ::testing::Test {
 protected:
  void TearDown() override {
    form.reset();
    setVideoSources({});
  }

  // The window as the main window sets it up: made, named after the source, loaded.
  TMotionForm& make(const QString& uri = QStringLiteral("test:snow")) {
    setVideoSources({{QStringLiteral("Cam"), uri}});
    form = std::make_unique<TMotionForm>(services, prompts, clock, paths, nullptr, nullptr, dispatchTiming);
    form->setWindowTitle(QStringLiteral("Cam"));
    form->LoadSettings(QStringLiteral("Cam"));
    QObject::connect(form->VideoCapture1, &TVideoCapture::OnBitmapGrabbed, [this] { ++grabbed; });
    return *form;
  }

  // Detection on with the countdown run out at once.
  void detectNow() {
    form->Panel1->CheckBox1->setChecked(true);
    while (form->DelayStart->isActive()) form->DelayStartTimer();
  }

  bool waitForFrames(int count) {
    const int target = grabbed + count;
    return waitUntil([&] { return grabbed >= target; });
  }

  QString stamp() const { return DateTimeText(clock.now()); }
  QString logCall(const QString& message, const QString& value) const {
    return QStringLiteral("log Cam | %1%2 | %3").arg(message, stamp(), value);
  }

  QStringList shownTexts() const {
    QStringList texts;
    for (const auto& message : prompts.shown) texts.append(message.text);
    return texts;
  }

  TempHome home;
  const ProgramPaths paths = home.paths();
  ScriptedPrompts prompts;
  FixedClock clock;
  RecordingServices services;
  DispatchTiming dispatchTiming;  // the pace of the windows make() makes
  std::unique_ptr<TMotionForm> form;
  int grabbed = 0;
};
