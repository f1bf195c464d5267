// The built program as a person runs it headless: provisioned camera key, a test
// source, motion snapshots and alarms, then a SIGTERM that must end it as "Exit" does.
#include "alarm/tcb_audio_play.h"
#include "base/settings_store.h"
#include "eventlog/date_time_text.h"
#include "media_files.h"
#include "support/files.h"
#include "support/temp_home.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSet>

#include <gtest/gtest.h>

#include <csignal>

namespace {

const QString kCameraKey = QStringLiteral("\\Software\\Brennova\\Settings\\Cam");

void provisionCamera(qint32 soundAlarm = 0) {
  SettingsStore settings;
  ASSERT_TRUE(settings.OpenKey(kCameraKey, true));
  const std::pair<const char*, qint32> values[] = {
      {"Detect", 1},      {"TimedCapture", 0},     {"CaptureImage", 1},
      {"FTPImage", 0},    {"EMailImage", 0},       {"SoundAlarm", soundAlarm},
      {"QuickDetect", 0}, {"ShowGrid", 1},         {"BalloonMesages", 1},
      {"Mask", 0},        {"MultiEmailAtt", 0},    {"BlockSens", 4},
      {"MotionSens", 50}, {"XGrid", 10},           {"YGrid", 10},
      {"TCapRate", 30},   {"NrMultiEmailAtt", 99}, {"FtpTime", 10}};
  for (const auto& [name, value] : values) settings.WriteInteger(QLatin1String(name), value);
}

void startOnTestSource(QProcess& program, const TempHome& home) {
  program.setProgram(QStringLiteral(QUORVEX_PROGRAM));
  program.setArguments({"--home", home.path(), "--source", "Cam=test:snow", "-platform", "offscreen"});
  program.start();
  ASSERT_TRUE(program.waitForStarted(10000));
}

// Standard output until `text` occurs `count` times, the program ends or a minute passed.
QByteArray readUntil(QProcess& program, const QByteArray& text, qsizetype count) {
  QByteArray output;
  QElapsedTimer timer;
  timer.start();
  while (output.count(text) < count && timer.elapsed() < 60000 && program.state() == QProcess::Running) {
    program.waitForReadyRead(500);
    output += program.readAllStandardOutput();
  }
  return output;
}

void stopWithSigterm(QProcess& program) {
  ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
  ASSERT_TRUE(program.waitForFinished(20000));
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 0);
}

TEST(QuorvexProgramTest, HeadlessRunSavesMotionSnapshotsAndSigtermSavesTheCamera) {
  TempHome home;
  provisionCamera();
  const QDate startDate = QDate::currentDate();

  QProcess program;
  startOnTestSource(program, home);
  const QByteArray output = readUntil(program, "Motion Captured On ", 1);
  ASSERT_TRUE(output.contains("Motion Captured On "))
      << output.toStdString() << program.readAllStandardError().toStdString();
  // One line says when the machine has no sound output (as in CI) and why the alarm is silent.
  EXPECT_EQ(output.count("No audio output device found: the sound alarm cannot be heard.\n"),
            AudioDeviceNames().isEmpty() ? 1 : 0);

  stopWithSigterm(program);

  QFile logFile(home.file(QStringLiteral("Quorvex.log")));
  ASSERT_TRUE(logFile.open(QIODevice::ReadOnly));
  const QString log = QString::fromUtf8(logFile.readAll());
  EXPECT_TRUE(log.startsWith("[Cam]\r\n")) << log.toStdString();
  EXPECT_TRUE(log.contains("Motion Captured On ")) << log.toStdString();
  EXPECT_FALSE(log.contains("Device Started By User on ")) << log.toStdString();

  const QStringList days =
      QDir(home.file(QStringLiteral("Images"))).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  ASSERT_EQ(days.size(), 1);
  EXPECT_TRUE(days[0] == dateText(startDate) || days[0] == dateText(QDate::currentDate()))
      << days[0].toStdString();
  const QStringList snapshots =
      QDir(home.file("Images/" + days[0])).entryList({QStringLiteral("*.jpg")}, QDir::Files);
  EXPECT_FALSE(snapshots.isEmpty());

  // Saved at the close: the out-of-range count comes back as the field held it.
  SettingsStore settings;
  ASSERT_TRUE(settings.OpenKey(kCameraKey, false));
  EXPECT_TRUE(settings.ReadBool(QStringLiteral("Detect")));
  EXPECT_TRUE(settings.ReadBool(QStringLiteral("CaptureImage")));
  EXPECT_EQ(settings.ReadInteger(QStringLiteral("NrMultiEmailAtt")), 10);

  // A build that is not installed put the alarm sound it made into the program folder.
  EXPECT_EQ(readFile(home.file(QStringLiteral("alert.wav"))), readFile(builtAlertWav()));
}

// Motion on every frame with "Sound Alarm" on: each alarm is logged once, and the
// next starts only after the sound (a second long) ended, so no two alarms share
// a second of the log's time stamps, and motion events outnumber them.
TEST(QuorvexProgramTest, MotionSoundsTheAlarmAgainOnlyAfterItEnded) {
  TempHome home;
  provisionCamera(1);
  writeWav(home.file(QStringLiteral("alert.wav")), 1.0);

  QProcess program;
  startOnTestSource(program, home);
  QByteArray output = readUntil(program, "Alarm Sounded on ", 4);
  stopWithSigterm(program);
  output += program.readAllStandardOutput();

  QStringList alarms;
  qsizetype motions = 0;
  for (const QByteArray& line : output.split('\n')) {
    if (line.startsWith("[Cam] Alarm Sounded on "))
      alarms.append(QString::fromUtf8(line));
    motions += line.startsWith("[Cam] Motion Captured On ");
  }
  ASSERT_GE(alarms.size(), 4) << output.toStdString();
  EXPECT_GT(motions, alarms.size());
  EXPECT_EQ(alarms.size(), QSet<QString>(alarms.begin(), alarms.end()).size()) << output.toStdString();

  const QString log = QString::fromUtf8(readFile(home.file(QStringLiteral("Quorvex.log"))));
  EXPECT_EQ(log.count("\r\nAlarm Sounded on "), alarms.size()) << log.toStdString();
}

}  // namespace
