// The camera window's source over its life: a start that fails, a source that ends,
// a stream that is lost and comes back, and what Start, Stop, the saved Detect value
// and timed capture make of it.
#include "motion_form_fixture.h"

#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "monitor/camera_values.h"

#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUrl>

namespace {

constexpr int kFrameBytes = 16 * 8 * 3;

// Serves raw 16x8 BGR frames on 127.0.0.1 to every client; closing it ends the
// clients' streams, as a camera that loses its power or network does.
class FrameServer {
 public:
  FrameServer() {
    QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* client = m_server.nextPendingConnection())
        client->write(QByteArray(kFrameBytes * 30, '\x40'));  // a second of frames
    });
  }
  bool listen(quint16 port = 0) {
    if (!m_server.listen(QHostAddress::LocalHost, port))
      return false;
    m_port = m_server.serverPort();
    return true;
  }
  void close() {
    m_server.close();
    for (QTcpSocket* client : m_server.findChildren<QTcpSocket*>()) client->disconnectFromHost();
  }
  QString uri() const {
    return QStringLiteral(
               "gst:tcpclientsrc host=127.0.0.1 port=%1 ! rawvideoparse width=16 height=8 format=bgr "
               "framerate=30/1")
        .arg(m_port);
  }
  quint16 port() const { return m_port; }

 private:
  QTcpServer m_server;
  quint16 m_port = 0;
};

bool savedDetect(const QString& settingsFile) {
  SettingsStore store(settingsFile);
  return store.OpenKey(cameraKey(QStringLiteral("Cam")), false) && store.ReadBool(QStringLiteral("Detect"));
}

}  // namespace

class SourceLifecycleTest : public MotionFormTest {
 protected:
  // Ticks the schedule through the pause under way and waits for the attempt's outcome.
  void runNextAttempt() {
    const int attempts = form->reconnectSchedule().attempts();
    while (form->reconnectSchedule().attempts() == attempts) form->ReconnectTimerTimer();
    ASSERT_TRUE(waitUntil([&] { return !form->reconnectSchedule().attempting(); }));
  }
  bool startEnabled() const { return form->Panel1->Button1->isEnabled(); }
  bool stopEnabled() const { return form->Panel1->Button2->isEnabled(); }
};

TEST_F(SourceLifecycleTest, LostStreamIsToldOnceRetriedOnAGrowingScheduleAndResumesDetection) {
  FrameServer server;
  ASSERT_TRUE(server.listen());
  TMotionForm& window = make(server.uri());
  ASSERT_TRUE(waitForFrames(2));
  detectNow();

  server.close();
  ASSERT_TRUE(waitUntil([&] { return window.reconnectSchedule().active(); }));
  EXPECT_EQ(shownTexts(), QStringList({"Device Cam Lost!"}));
  EXPECT_TRUE(prompts.shown[0].detail.startsWith("Source: Cam\rURI: " + server.uri() + "\rReason: "))
      << prompts.shown[0].detail.toStdString();
  EXPECT_EQ(services.callsStartingWith("log"), QStringList({logCall("Device Lost on ", "Device Events")}));
  EXPECT_FALSE(window.Panel1->CheckBox1->isChecked());
  EXPECT_EQ(window.statusPanelText(0), "Retry in 2 s");
  EXPECT_FALSE(startEnabled());
  EXPECT_TRUE(stopEnabled());
  // A loss does not turn detection off for the next start.
  bool saved = false;
  window.FormCloseQuery(saved);
  ASSERT_TRUE(saved);
  EXPECT_TRUE(savedDetect(paths.settingsFile));

  // The real timer makes the first attempt two seconds after the loss.
  ASSERT_TRUE(waitUntil([&] {
    return window.reconnectSchedule().attempts() == 1 && !window.reconnectSchedule().attempting();
  }));
  window.ReconnectTimer->stop();  // the later pauses are ticked here
  window.ReconnectTimerTimer();
  EXPECT_EQ(window.statusPanelText(0), "Retry in 3 s");
  QList<qint64> pauses{window.reconnectSchedule().pause().count()};
  for (int attempt = 2; attempt <= 6; ++attempt) {
    runNextAttempt();
    pauses.append(window.reconnectSchedule().pause().count());
  }
  EXPECT_EQ(pauses, QList<qint64>({4, 8, 16, 32, 60, 60}));
  EXPECT_EQ(prompts.shown.size(), 1);  // the attempts are quiet
  EXPECT_EQ(services.callsStartingWith("log").size(), 1);

  ASSERT_TRUE(server.listen(server.port()));
  runNextAttempt();
  EXPECT_FALSE(window.reconnectSchedule().active());
  EXPECT_EQ(services.callsStartingWith("log").last(), logCall("Device Reconnected on ", "Device Events"));
  EXPECT_TRUE(window.Panel1->CheckBox1->isChecked());
  EXPECT_TRUE(window.DelayStart->isActive());  // detection resumes after its countdown
  EXPECT_FALSE(window.statusPanelText(0).startsWith("Retry"));
  EXPECT_FALSE(startEnabled());
  EXPECT_TRUE(stopEnabled());
  EXPECT_EQ(prompts.shown.size(), 1);
}

// A file that ends is reported once and stays stopped; its Detect value is kept.
TEST_F(SourceLifecycleTest, FileThatEndsIsToldOnceAndStaysStopped) {
  QTemporaryDir folder;
  const QString clip = folder.filePath("clip.avi");
  QProcess encoder;
  encoder.start(QStringLiteral("gst-launch-1.0"),
                {"-q", "videotestsrc", "num-buffers=10", "!", "video/x-raw,width=64,height=48", "!",
                 "jpegenc", "!", "avimux", "!", "filesink", "location=" + clip});
  ASSERT_TRUE(encoder.waitForFinished(30000) && encoder.exitCode() == 0)
      << encoder.readAllStandardError().data();

  TMotionForm& window = make(QUrl::fromLocalFile(clip).toString());
  detectNow();
  ASSERT_TRUE(waitUntil([&] { return !prompts.shown.isEmpty(); }));
  runEvents(std::chrono::milliseconds(1500));  // a restart would have ended again by now
  EXPECT_EQ(shownTexts(), QStringList({"Device Cam Lost!"}));
  EXPECT_TRUE(prompts.shown[0].detail.endsWith("\rReason: End of stream"))
      << prompts.shown[0].detail.toStdString();
  EXPECT_EQ(services.callsStartingWith("log"), QStringList({logCall("Device Lost on ", "Device Events")}));
  EXPECT_FALSE(window.VideoCapture1->Previewing());
  EXPECT_FALSE(window.reconnectSchedule().active());
  EXPECT_TRUE(startEnabled());
  EXPECT_FALSE(stopEnabled());
  bool saved = false;
  window.FormCloseQuery(saved);
  EXPECT_TRUE(savedDetect(paths.settingsFile));
}

// Start and Stop follow what really runs: a start that failed leaves nothing to stop.
TEST_F(SourceLifecycleTest, FailedStartLeavesStartOnAndStopHasNothingToStop) {
  QTemporaryDir folder;
  const QString missing = QUrl::fromLocalFile(folder.filePath("gone.avi")).toString();
  TMotionForm& window = make(missing);
  ASSERT_FALSE(prompts.shown.isEmpty());
  EXPECT_EQ(prompts.shown.last().text, "Error 80004005: Cannot run preview graph!");
  EXPECT_TRUE(prompts.shown.last().detail.startsWith("Source: Cam\rURI: " + missing + "\rReason: "));
  EXPECT_TRUE(prompts.shown.last().detail.contains("No such file"))
      << prompts.shown.last().detail.toStdString();
  EXPECT_TRUE(startEnabled());
  EXPECT_FALSE(stopEnabled());

  window.Button2Click();
  EXPECT_TRUE(startEnabled());
  EXPECT_FALSE(stopEnabled());
  EXPECT_TRUE(services.callsStartingWith("log").isEmpty());
}

// A timed snapshot never shows a moment the camera did not see: none while the
// source is stopped or lost, and again once it runs.
TEST_F(SourceLifecycleTest, TimedCaptureSavesOnlyWhileTheSourceRuns) {
  TMotionForm& window = make(QStringLiteral("test:ball"));
  ASSERT_TRUE(waitForFrames(1));
  const QString timed = QStringLiteral("log Cam | Timed Capture Happend On ");

  window.Button2Click();
  window.ImageTimerTimer();
  EXPECT_TRUE(services.callsStartingWith(timed).isEmpty());

  window.SpeedButton1Click();
  emit window.VideoCapture1->OnDeviceLost(window.VideoCapture1);
  ASSERT_TRUE(window.reconnectSchedule().active());
  window.ImageTimerTimer();
  EXPECT_TRUE(services.callsStartingWith(timed).isEmpty());

  window.Button2Click();
  window.SpeedButton1Click();
  window.ImageTimerTimer();  // started, but no frame of this run yet
  EXPECT_TRUE(services.callsStartingWith(timed).isEmpty());
  ASSERT_TRUE(waitForFrames(1));
  window.ImageTimerTimer();
  EXPECT_EQ(services.callsStartingWith(timed).size(), 1);
}
