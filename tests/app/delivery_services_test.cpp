#include "app_fixture.h"

#include "base/error.h"
#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "monitor/t_motion_form.h"
#include "support/files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>

namespace {

using namespace std::chrono_literals;

const VideoSourceEntry kCam{QStringLiteral("Cam"), QStringLiteral("test:snow")};

// What the delivery workers ask of the main window reaches the camera window at
// their index, and nothing when no window is there.
TEST_F(AppFixture, TheWorkersReachTheCameraWindowByItsIndex) {
  TMDIParent& window = start({kCam});
  TMotionForm* camera = window.cameraWindow();
  ASSERT_NE(camera, nullptr);
  EXPECT_EQ(window.cameraCaption(0), std::optional<QString>(QStringLiteral("Cam")));
  EXPECT_EQ(window.cameraCaption(1), std::nullopt);
  window.setCameraStatus(0, 2, QStringLiteral("Uploading via FTP Completed."));
  window.setCameraStatus(1, 1, QStringLiteral("elsewhere"));
  EXPECT_EQ(camera->statusPanelText(2), QStringLiteral("Uploading via FTP Completed."));
  EXPECT_NE(camera->statusPanelText(1), QStringLiteral("elsewhere"));
  // Without dial-up entries a dial-up run cannot acquire, and a release changes nothing.
  EXPECT_THROW(window.AcquireConnection(), Error);
  window.ReleaseConnection();
}

// Closing the program while an upload waits on a server that never answers ends
// the upload within 5 s; its entry is in the log the window closes after it.
TEST_F(AppFixture, ClosingWhileAnUploadWaitsEndsItSoonAndLogsIt) {
  QTcpServer silent;
  ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
  {
    SettingsStore settings;
    ASSERT_TRUE(settings.OpenKey(applicationKey(), true));
    settings.WriteString(QStringLiteral("FTPServer"),
                         QStringLiteral("127.0.0.1:%1").arg(silent.serverPort()));
  }
  TMDIParent& window = start({kCam});
  ASSERT_NE(window.cameraWindow(), nullptr);
  ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("FTP")));
  writeFile(home.file(QStringLiteral("FTP/Motion.jpg")), "picture");
  window.startDelivery(DeliveryChannel::Ftp, 0);
  ASSERT_TRUE(waitUntil([&] { return silent.hasPendingConnections(); }, 30s));

  QElapsedTimer timer;
  timer.start();
  window.close();
  EXPECT_LT(timer.elapsed(), 5000);
  ASSERT_TRUE(waitUntil([&] { return readFile(home.file(QStringLiteral("Quorvex.log"))).contains("=FTP"); }));
  const QByteArray log = readFile(home.file(QStringLiteral("Quorvex.log")));
  EXPECT_TRUE(log.contains("[Cam]")) << log.toStdString();
  EXPECT_TRUE(log.contains("Image not Uploaded on ")) << log.toStdString();
}

}  // namespace
