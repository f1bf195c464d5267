// The built program as a person runs it headless: provisioned camera key, a test
// source, motion snapshots and alarms, then a SIGTERM that must end it as "Exit" does;
// its command line, its messages on standard error and its output into a pipe.
#include "alarm/tcb_audio_play.h"
#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "eventlog/date_time_text.h"
#include "media_files.h"
#include "support/camera_key.h"
#include "support/files.h"
#include "support/temp_home.h"

#include "support/event_loop.h"

#include <QDir>
#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <csignal>

namespace {

const QString kCameraKey = cameraKey(QStringLiteral("Cam"));

void provisionCamera(const TempHome& home, qint32 soundAlarm = 0,
                     const QString& caption = QStringLiteral("Cam")) {
  SettingsStore settings(home.settingsFile());
  writeCameraKey(settings, caption,
                 {{"Detect", 1}, {"CaptureImage", 1}, {"SoundAlarm", soundAlarm}, {"NrMultiEmailAtt", 99}});
}

void startProgram(QProcess& program, const QStringList& arguments) {
  program.setProgram(QStringLiteral(QUORVEX_PROGRAM));
  program.setArguments(arguments);
  program.start();
  ASSERT_TRUE(program.waitForStarted(10000));
}

void startOnTestSource(QProcess& program, const TempHome& home) {
  startProgram(program, {"--home", home.path(), "--source", "Cam=test:snow", "-platform", "offscreen"});
}

// The distinct motion entries in the program's log so far.
qsizetype motionEntries(const TempHome& home) {
  return readFile(home.file(QStringLiteral("Quorvex.log"))).count("\r\nMotion Captured On ");
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
  provisionCamera(home);
  const QDate startDate = QDate::currentDate();

  QProcess program;
  startOnTestSource(program, home);
  QByteArray output = readUntil(program, "  Cam  Images  Motion Captured On\n", 2);
  ASSERT_TRUE(output.contains("  Cam  Images  Motion Captured On\n"))
      << output.toStdString() << program.readAllStandardError().toStdString();

  stopWithSigterm(program);
  output += program.readAllStandardOutput();

  // Standard output: the start line, then each log entry once, one readable line each.
  QList<QByteArray> lines = output.trimmed().split('\n');
  EXPECT_TRUE(lines[0].startsWith("Quorvex ") && lines[0].contains("watching Cam, detection starts in "))
      << lines[0].toStdString();
  // Without a sound output (as in CI) the next line says why the alarm is silent.
  const QByteArray noAudio = "No audio output device found: the sound alarm cannot be heard.";
  EXPECT_EQ(lines.count(noAudio), AudioDeviceNames().isEmpty() ? 1 : 0);
  if (AudioDeviceNames().isEmpty() && lines.size() > 1) {
    EXPECT_EQ(lines[1], noAudio);
  }
  lines.removeAll(noAudio);
  // Nobody could answer the first-run chooser: it is skipped, and said so once.
  EXPECT_EQ(lines.removeAll("The set-up chooser was skipped because there is no display."), 1);
  for (const QByteArray& line : lines.mid(1)) {
    EXPECT_TRUE(line.endsWith("  Cam  Images  Motion Captured On")) << line.toStdString();
    // date time  camera  category  text
    EXPECT_EQ(QString::fromUtf8(line).split(QStringLiteral("  ")).size(), 4) << line.toStdString();
    EXPECT_EQ(lines.count(line), 1) << line.toStdString();
  }

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
  SettingsStore settings(home.settingsFile());
  ASSERT_TRUE(settings.OpenKey(kCameraKey, false));
  EXPECT_TRUE(settings.ReadBool(QStringLiteral("Detect")));
  EXPECT_TRUE(settings.ReadBool(QStringLiteral("CaptureImage")));
  EXPECT_EQ(settings.ReadInteger(QStringLiteral("NrMultiEmailAtt")), 10);
  ASSERT_TRUE(settings.OpenKey(applicationKey(), false));
  EXPECT_FALSE(settings.ValueExists(QStringLiteral("AllWiz")));

  // A build that is not installed put the alarm sound it made into the program folder.
  EXPECT_EQ(readFile(home.file(QStringLiteral("alert.wav"))), readFile(builtAlertWav()));
}

// Motion on every frame with "Sound Alarm" on: each alarm is logged once, and the
// next starts only after the sound (a second long) ended, so no two alarms share
// a second of the log's time stamps, while motion is logged in each of them.
TEST(QuorvexProgramTest, MotionSoundsTheAlarmAgainOnlyAfterItEnded) {
  TempHome home;
  provisionCamera(home, 1);
  writeWav(home.file(QStringLiteral("alert.wav")), 1.0);

  QProcess program;
  startOnTestSource(program, home);
  QByteArray output = readUntil(program, "Alarm Sounded on\n", 4);
  stopWithSigterm(program);
  output += program.readAllStandardOutput();

  QStringList alarms;
  qsizetype motions = 0;
  for (const QByteArray& line : output.split('\n')) {
    if (line.endsWith("  Cam  Alarm  Alarm Sounded on"))
      alarms.append(QString::fromUtf8(line));
    motions += line.endsWith("  Cam  Images  Motion Captured On");
  }
  ASSERT_GE(alarms.size(), 4) << output.toStdString();
  EXPECT_GE(motions, alarms.size());
  EXPECT_EQ(alarms.size(), QSet<QString>(alarms.begin(), alarms.end()).size()) << output.toStdString();

  const QString log = QString::fromUtf8(readFile(home.file(QStringLiteral("Quorvex.log"))));
  EXPECT_EQ(log.count("\r\nAlarm Sounded on "), alarms.size()) << log.toStdString();
}

// A stream that cannot be reached: the loss is told once (box and log entry), the
// attempts to reach it again are one line each on standard error with growing
// pauses, and the loss does not change the saved Detect value.
TEST(QuorvexProgramTest, UnreachableStreamIsToldOnceAndRetriedWithGrowingPauses) {
  TempHome home;
  provisionCamera(home);
  const QString uri = QStringLiteral("rtsp://127.0.0.1:9/none");

  QProcess program;
  startProgram(program, {"--home", home.path(), "--source", "Cam=" + uri, "-platform", "offscreen"});
  QByteArray errors;
  QElapsedTimer timer;
  timer.start();
  while (!errors.contains("reconnect attempt 3 failed") && timer.elapsed() < 60000 &&
         program.state() == QProcess::Running) {
    program.waitForFinished(500);
    errors += program.readAllStandardError();
  }
  stopWithSigterm(program);
  errors += program.readAllStandardError();
  const QByteArray output = program.readAllStandardOutput();

  QList<int> pauses;
  for (const QByteArray& line : errors.split('\n')) {
    if (line.startsWith("Cam: reconnect attempt ")) {
      const qsizetype at = line.lastIndexOf("; next attempt in ");
      ASSERT_GT(at, 0) << line.toStdString();
      pauses.append(line.mid(at + 18).chopped(2).toInt());
    }
  }
  ASSERT_GE(pauses.size(), 3) << errors.toStdString();
  EXPECT_EQ(pauses.mid(0, 3), QList<int>({4, 8, 16})) << errors.toStdString();
  EXPECT_EQ(errors.count("Quorvex: Device Cam Lost!"), 1) << errors.toStdString();
  EXPECT_TRUE(
      errors.contains("Quorvex: Device Cam Lost! / Source: Cam / URI: " + uri.toUtf8() + " / Reason: "))
      << errors.toStdString();
  EXPECT_EQ(output.count("  Cam  Device Events  Device Lost on\n"), 1) << output.toStdString();
  EXPECT_EQ(readFile(home.file(QStringLiteral("Quorvex.log"))).count("\r\nDevice Lost on "), 1);

  SettingsStore settings(home.settingsFile());
  ASSERT_TRUE(settings.OpenKey(kCameraKey, false));
  EXPECT_TRUE(settings.ReadBool(QStringLiteral("Detect")));
}

TEST(QuorvexProgramTest, CommandLineIsAnsweredWithoutADisplay) {
  const struct {
    QStringList arguments;
    int exitCode;
    const char* output;
    const char* errors;
  } cases[] = {
      {{"--help"}, 0, "Usage: quorvex [--home DIR]", ""},
      {{"--version"}, 0, "Quorvex " QUORVEX_VERSION "\n", ""},
      {{"--verbose"}, 2, "", "Unknown argument \"--verbose\"\nUsage: quorvex [--home DIR]"},
      {{"--home", "--source", "X=demo:"}, 2, "", "--home needs a folder\nUsage: "},
      {{"--source", "Door", "-platform", "offscreen"}, 2, "", "Invalid video source \"Door\""},
  };
  QTemporaryDir workingFolder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.join(u' ').toStdString());
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(name);
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(workingFolder.path());
    startProgram(program, c.arguments);
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), c.exitCode);
    const QByteArray output = program.readAllStandardOutput();
    EXPECT_TRUE(output.startsWith(c.output)) << output.toStdString();
    if (c.output[0] == 0) {
      EXPECT_TRUE(output.isEmpty()) << output.toStdString();
    }
    EXPECT_TRUE(program.readAllStandardError().contains(c.errors));
  }
  // "--source" was taken for a missing value, not for a folder to make.
  EXPECT_TRUE(QDir(workingFolder.path()).isEmpty());
}

// Two sources, one unreachable, in either order: nobody is asked, the first is
// watched, its failures are told on standard error without flooding it, and
// SIGTERM ends the run normally.
TEST(QuorvexProgramTest, TwoSourcesWithAnUnreachableOneRunWithoutWaiting) {
  const QString door = QStringLiteral("Door=rtsp://127.0.0.1:9/none");
  const struct {
    QStringList sources;
    const char* watched;
    QByteArray waitFor;
  } cases[] = {
      {{"Demo=demo:", door}, "Demo", "detection is off"},
      {{door, "Demo=demo:"}, "Door", "  Door  Device Events  Device Lost on\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.watched);
    TempHome home;
    QProcess program;
    startProgram(program, {"--home", home.path(), "--source", c.sources[0], "--source", c.sources[1],
                           "-platform", "offscreen"});
    const QByteArray output = readUntil(program, c.waitFor, 1);
    const QByteArray errors = program.readAllStandardError();
    ASSERT_TRUE(output.contains(c.waitFor)) << output.toStdString() << errors.toStdString();
    EXPECT_TRUE(output.startsWith("Quorvex ")) << output.toStdString();
    EXPECT_TRUE(output.contains(QByteArray("; watching ") + c.watched + ", ")) << output.toStdString();
    stopWithSigterm(program);
    const QByteArray allErrors = errors + program.readAllStandardError();
    EXPECT_TRUE(allErrors.contains(QByteArray("using the first, ") + c.watched)) << allErrors.toStdString();
    EXPECT_LE(allErrors.count("Device Door Lost!"), 2) << allErrors.toStdString();
  }
}

TEST(QuorvexProgramTest, AHomeThatCannotBeWrittenIsToldOnceAtStart) {
  QTemporaryDir scratch;
  writeFile(scratch.filePath("plain-file"), "x");
  const QString folder = scratch.filePath("plain-file/home");
  QProcess program;
  startProgram(program, {"--home", folder, "--source", "Demo=demo:", "-platform", "offscreen"});
  const QByteArray output = readUntil(program, "\n", 1);
  EXPECT_TRUE(output.startsWith("Quorvex ")) << output.toStdString();
  stopWithSigterm(program);
  const QByteArray errors = program.readAllStandardError();
  EXPECT_EQ(errors.count("Cannot write to the folder " + QFile::encodeName(folder) + ": no snapshots"), 1)
      << errors.toStdString();
}

// A named pipe as the program's standard output, with its reading end held here.
class OutputPipe {
 public:
  OutputPipe() : m_path(m_dir.filePath("output")) {
    EXPECT_EQ(::mkfifo(QFile::encodeName(m_path).constData(), 0600), 0);
    m_reader = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    EXPECT_GE(m_reader, 0);
  }
  ~OutputPipe() { closeReader(); }
  QString path() const { return m_path; }
  // Fills the pipe, shrunk to one page, so that the next write would block.
  void fill() {
    const int writer = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    ::fcntl(writer, F_SETPIPE_SZ, 4096);
    const QByteArray filler(64, 'x');
    while (::write(writer, filler.constData(), filler.size()) > 0) {
    }
    ::close(writer);
  }
  QByteArray read() {
    QByteArray data;
    char buffer[4096];
    for (ssize_t got; (got = ::read(m_reader, buffer, sizeof buffer)) > 0;) data.append(buffer, got);
    return data;
  }
  void closeReader() {
    if (m_reader >= 0)
      ::close(m_reader);
    m_reader = -1;
  }

 private:
  QTemporaryDir m_dir;
  QString m_path;
  int m_reader = -1;
};

void expectCameraSaved(const TempHome& home) {
  SettingsStore settings(home.settingsFile());
  ASSERT_TRUE(settings.OpenKey(kCameraKey, false));
  EXPECT_EQ(settings.ReadInteger(QStringLiteral("NrMultiEmailAtt")), 10);
}

// Nobody reads the output: detection and logging go on, SIGTERM is still handled.
TEST(QuorvexProgramTest, AFullOutputPipeNeitherBlocksNorEndsTheProgram) {
  TempHome home;
  provisionCamera(home);
  OutputPipe pipe;
  pipe.fill();
  QProcess program;
  program.setStandardOutputFile(pipe.path());
  startOnTestSource(program, home);
  EXPECT_TRUE(waitUntil([&] { return motionEntries(home) >= 3; }, std::chrono::seconds(60)))
      << readFile(home.file(QStringLiteral("Quorvex.log"))).toStdString();
  stopWithSigterm(program);
  expectCameraSaved(home);
}

// The reader goes away, as "head" does: the program neither dies nor stops.
TEST(QuorvexProgramTest, AClosedOutputPipeDoesNotEndTheProgram) {
  TempHome home;
  provisionCamera(home);
  OutputPipe pipe;
  QProcess program;
  program.setStandardOutputFile(pipe.path());
  startOnTestSource(program, home);
  QByteArray output;
  ASSERT_TRUE(waitUntil(
      [&] {
        output += pipe.read();
        return output.contains('\n');
      },
      std::chrono::seconds(60)));
  EXPECT_TRUE(output.startsWith("Quorvex ")) << output.toStdString();
  pipe.closeReader();
  EXPECT_TRUE(waitUntil([&] { return motionEntries(home) >= 3; }, std::chrono::seconds(60)));
  ASSERT_EQ(program.state(), QProcess::Running);
  stopWithSigterm(program);
  expectCameraSaved(home);
}

// Two cameras are two programs on one program folder: each entry either program
// announces on its output is in the shared log, under its own camera.
TEST(QuorvexProgramTest, TwoProgramsOnOneHomeLoseNoLogEntry) {
  TempHome home;
  const QStringList cameras = {QStringLiteral("North"), QStringLiteral("South")};
  for (const QString& camera : cameras) provisionCamera(home, 0, camera);
  QProcess programs[2];
  for (int i = 0; i < 2; ++i)
    startProgram(programs[i],
                 {"--home", home.path(), "--source", cameras[i] + "=test:snow", "-platform", "offscreen"});

  // Snow moves in every frame: one motion entry per second and camera.
  QByteArray outputs[2];
  for (int i = 0; i < 2; ++i) outputs[i] = readUntil(programs[i], "  Images  Motion Captured On\n", 8);
  for (int i = 0; i < 2; ++i) {
    stopWithSigterm(programs[i]);
    outputs[i] += programs[i].readAllStandardOutput();
  }

  // The log's motion entries per section.
  QMap<QString, qsizetype> logged;
  QString section;
  for (const QByteArray& line : readFile(home.file(QStringLiteral("Quorvex.log"))).split('\n')) {
    const QString text = QString::fromUtf8(line).trimmed();
    if (text.startsWith(u'[') && text.endsWith(u']'))
      section = text.mid(1, text.size() - 2);
    else if (text.startsWith(QStringLiteral("Motion Captured On ")))
      ++logged[section];
  }
  for (int i = 0; i < 2; ++i) {
    const qsizetype announced =
        outputs[i].count("  " + cameras[i].toUtf8() + "  Images  Motion Captured On\n");
    EXPECT_GE(announced, 8) << outputs[i].toStdString();
    EXPECT_EQ(logged.value(cameras[i]), announced) << cameras[i].toStdString();
  }
}

}  // namespace
