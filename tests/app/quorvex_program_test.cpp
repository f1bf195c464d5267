// The built program as a person runs it headless: provisioned camera key, a test
// source, motion snapshots, then a SIGTERM that must end it as "Exit" does.
#include "base/settings_store.h"
#include "eventlog/date_time_text.h"
#include "support/temp_home.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>

namespace {

const QString kCameraKey = QStringLiteral("\\Software\\Brennova\\Settings\\Cam");

void provisionCamera() {
  SettingsStore settings;
  ASSERT_TRUE(settings.OpenKey(kCameraKey, true));
  const std::pair<const char*, qint32> values[] = {
      {"Detect", 1},           {"TimedCapture", 0}, {"CaptureImage", 1},  {"FTPImage", 0},
      {"EMailImage", 0},       {"SoundAlarm", 0},   {"QuickDetect", 0},   {"ShowGrid", 1},
      {"BalloonMesages", 1},   {"Mask", 0},         {"MultiEmailAtt", 0}, {"BlockSens", 4},
      {"MotionSens", 50},      {"XGrid", 10},       {"YGrid", 10},        {"TCapRate", 30},
      {"NrMultiEmailAtt", 99}, {"FtpTime", 10}};
  for (const auto& [name, value] : values) settings.WriteInteger(QLatin1String(name), value);
}

TEST(QuorvexProgramTest, HeadlessRunSavesMotionSnapshotsAndSigtermSavesTheCamera) {
  TempHome home;
  provisionCamera();
  const QDate startDate = QDate::currentDate();

  QProcess program;
  program.setProgram(QStringLiteral(QUORVEX_PROGRAM));
  program.setArguments({"--home", home.path(), "--source", "Cam=test:snow", "-platform", "offscreen"});
  program.start();
  ASSERT_TRUE(program.waitForStarted(10000));

  QByteArray output;
  QElapsedTimer timer;
  timer.start();
  while (!output.contains("Motion Captured On ") && timer.elapsed() < 60000 &&
         program.state() == QProcess::Running) {
    program.waitForReadyRead(500);
    output += program.readAllStandardOutput();
  }
  ASSERT_TRUE(output.contains("Motion Captured On "))
      << output.toStdString() << program.readAllStandardError().toStdString();

  ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
  ASSERT_TRUE(program.waitForFinished(20000));
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 0);

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
}

}  // namespace
