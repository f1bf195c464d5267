#include "app_fixture.h"
#include "base/settings_keys.h"

#include "base/error.h"
#include "base/settings_store.h"
#include "monitor/t_motion_form.h"
#include "support/files.h"
#include "support/full_disk.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cerrno>

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

const VideoSourceEntry kCam{QStringLiteral("Cam"), QStringLiteral("test:snow")};

// The program folder, with the settings file and the event log, on a disk that can
// be filled and freed.
class DiskFullTest : public AppFixture {
 protected:
  void SetUp() override {
    if (!disk.mounted())
      GTEST_SKIP() << disk.skipReason().toStdString();
  }

  // An entry too long to fit in what is left of the log's last block.
  static QString bulky() { return QString(8192, u'x'); }

  QString notice() const {
    return QStringLiteral("The disk holding %1 is full: event log entries are not being saved.")
        .arg(home.path());
  }

  FullDisk disk{home.path()};
};

TEST_F(DiskFullTest, StartingOnAFullDiskReadsTheCameraSettingsWithoutCallingThemDamaged) {
  TMDIParent& first = start({kCam});
  first.TrayMenu1->actions().last()->trigger();  // "Exit" saves the camera's settings
  {
    SettingsStore settings(home.settingsFile());
    ASSERT_TRUE(settings.OpenKey(cameraKey(QStringLiteral("Cam")), false));
    settings.WriteBool(QStringLiteral("Detect"), true);
  }
  disk.fill();
  TMDIParent& window = start({kCam});
  ASSERT_NE(window.cameraWindow(), nullptr);
  EXPECT_TRUE(window.cameraWindow()->DetectOnStartTimer1->isActive());  // Detect=1
  EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.shown.first().text.toStdString();
  disk.free();
}

TEST_F(DiskFullTest, LogEntriesOnAFullDiskAreToldOnceAndWrittenAgainWhenThereIsRoom) {
  TMDIParent& window = start({kCam});
  TMotionForm* camera = window.cameraWindow();
  ASSERT_NE(camera, nullptr);
  const QString log = home.file(QStringLiteral("Quorvex.log"));
  window.writeLogEntry(QStringLiteral("Cam"), QStringLiteral("before"), QStringLiteral("Images"));
  const QByteArray before = readFile(log);
  disk.fill();

  CaptureStderr();
  EXPECT_NO_THROW(window.writeLogEntry(QStringLiteral("Cam"), QStringLiteral("lost 1"), bulky()));
  EXPECT_NO_THROW(window.writeLogEntry(QStringLiteral("Cam"), QStringLiteral("lost 2"), bulky()));
  EXPECT_EQ(occurrences(GetCapturedStderr(), notice()), 1);
  EXPECT_EQ(camera->statusPanelText(TMotionForm::kLogNoticePanel), notice());
  EXPECT_EQ(readFile(log), before);

  disk.free();
  window.writeLogEntry(QStringLiteral("Cam"), QStringLiteral("after"), QStringLiteral("Images"));
  EXPECT_EQ(readFile(log), before + "after=Images\r\n");
  EXPECT_EQ(camera->statusPanelText(TMotionForm::kLogNoticePanel), "");

  disk.fill();  // a new outage is told again
  CaptureStderr();
  EXPECT_NO_THROW(window.writeLogEntry(QStringLiteral("Cam"), QStringLiteral("lost 3"), bulky()));
  EXPECT_EQ(occurrences(GetCapturedStderr(), notice()), 1);
  EXPECT_EQ(camera->statusPanelText(TMotionForm::kLogNoticePanel), notice());
  disk.free();
  EXPECT_TRUE(prompts.shown.isEmpty());
}

// Only the failed write's own error number says "full disk": one left over from an
// earlier failure elsewhere does not turn a refused write into a disk-full notice.
TEST_F(AppFixture, ALogThatRefusesWritesIsAnErrorWhateverErrnoHeldBefore) {
  TMDIParent& window = start({kCam});
  const QString log = home.file(QStringLiteral("Quorvex.log"));
  window.writeLogEntry(QStringLiteral("Cam"), QStringLiteral("before"), QStringLiteral("Images"));
  ASSERT_TRUE(QFile::setPermissions(log, QFile::ReadOwner));
  errno = ENOSPC;
  try {
    window.writeLogEntry(QStringLiteral("Cam"), QStringLiteral("refused"), QStringLiteral("Images"));
    ADD_FAILURE() << "the refused write was taken for a full disk";
  } catch (const Error& error) {
    EXPECT_EQ(error.message(), "Unable to write to " + log);
  }
  EXPECT_EQ(window.cameraWindow()->statusPanelText(TMotionForm::kLogNoticePanel), "");
}

}  // namespace
