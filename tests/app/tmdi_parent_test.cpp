#include "app_fixture.h"
#include "base/settings_keys.h"

#include "app/autostart_entry.h"
#include "app/tray_notice.h"
#include "base/settings_store.h"
#include "eventlog/ui/line_numbered_text.h"
#include "viewer/folder_list.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <functional>
#include <utility>

namespace {

const VideoSourceEntry kCam{QStringLiteral("Cam"), QStringLiteral("test:snow")};

QString storedImageDir(const TempHome& home) {
  SettingsStore settings(home.settingsFile());
  if (!settings.OpenKey(applicationKey(), false) || !settings.ValueExists(QStringLiteral("ImageDir")))
    return QStringLiteral("<absent>");
  return settings.ReadString(QStringLiteral("ImageDir"));
}

// Receives what the Help menu asks the desktop to open.
class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> opened;

 public slots:
  void open(const QUrl& url) { opened.append(url); }
};

TEST_F(AppFixture, TheMainWindowHasItsMenusAndTrayMenu) {
  TMDIParent& window = start({kCam});
  EXPECT_EQ(window.windowTitle(), "Quorvex");
  EXPECT_EQ(window.size(), QSize(798, 564));
  EXPECT_NE(qobject_cast<QMdiArea*>(window.centralWidget()), nullptr);
  EXPECT_EQ(window.CoolTrayIcon1->toolTip(), "Quorvex");
  QStringList tray;
  for (QAction* action : window.TrayMenu1->actions())
    tray.append(action->isSeparator() ? "-" : action->text());
  EXPECT_EQ(tray, QStringList({"Stop Sound Alarm", "-", "Restore", "Minimize", "-", "Exit"}));
  EXPECT_FALSE(window.StopSoundAlarm1->isEnabled());
  EXPECT_TRUE(window.OneConnect->isChecked());
}

TEST_F(AppFixture, RunAtStartupWritesAndRemovesTheAutostartEntry) {
  runOptions.arguments = {"--home", "/srv/my cams", "--source", "Cam=test:snow"};
  TMDIParent& window = start({kCam});
  const QString entry = configPath() + "/autostart/Quorvex.desktop";
  EXPECT_FALSE(window.RunOnStartup->isChecked());

  window.RunOnStartup->trigger();
  EXPECT_TRUE(window.RunOnStartup->isChecked());
  QFile file(entry);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(file.readAll());
  EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
  // The entry starts the program as this run was started.
  EXPECT_TRUE(text.contains("\nExec=" + QCoreApplication::applicationFilePath() +
                            " --home \"/srv/my cams\" --source Cam=test:snow\n"))
      << text.toStdString();

  // The next start shows the entry's existence.
  EXPECT_TRUE(start({kCam}).RunOnStartup->isChecked());
  mainWindow().RunOnStartup->trigger();
  EXPECT_FALSE(QFile::exists(entry));
  EXPECT_FALSE(start({kCam}).RunOnStartup->isChecked());
}

TEST_F(AppFixture, ConnectOnlyOnceStoresEachToggle) {
  TMDIParent& window = start({kCam});
  for (bool expected : {false, true}) {
    window.OneConnect->trigger();
    SettingsStore settings(home.settingsFile());
    ASSERT_TRUE(settings.OpenKey(applicationKey(), false));
    EXPECT_EQ(settings.ReadBool(QStringLiteral("ConnectOnlyOnce")), expected);
  }
}

TEST_F(AppFixture, MinimizeAndRestoreDoNotRunTheStartUpAgain) {
  prompts.answerNext(Prompts::Answer::Ignore);
  TMDIParent& window = start({kCam});
  window.setTrayAvailability([] { return true; });
  const qsizetype boxes = prompts.shown.size();
  window.Minimize1Click();
  EXPECT_FALSE(window.isVisible());
  window.Restore1Click();
  QCoreApplication::processEvents();
  EXPECT_TRUE(window.isVisible());

  // Minimising through the window state also leaves only the tray icon.
  window.showMinimized();
  EXPECT_TRUE(waitUntil([&] { return !window.isVisible(); }));
  window.CoolTrayIcon1DblClick();
  QCoreApplication::processEvents();
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(window.isMinimized());
  EXPECT_EQ(prompts.shown.size(), boxes);
  EXPECT_EQ(window.VideoSource(), "Cam");
}

TEST_F(AppFixture, WithoutATrayMinimisingKeepsTheWindowOnTheDesktop) {
  TMDIParent& window = start({kCam});
  window.setTrayAvailability([] { return false; });
  const std::pair<const char*, std::function<void()>> ways[] = {
      {"window state", [&] { window.showMinimized(); }},
      {"tray menu item", [&] { window.Minimize1Click(); }},
  };
  for (const auto& [name, minimise] : ways) {
    SCOPED_TRACE(name);
    window.showNormal();
    minimise();
    runEvents(std::chrono::milliseconds(100));  // a hide would be queued
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.isMinimized());
  }
  window.Restore1Click();
  EXPECT_FALSE(window.isMinimized());
}

TEST_F(AppFixture, BalloonTextsAreCutAndShownAsANoticeWithoutATray) {
  TMDIParent& window = start({kCam});
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());  // offscreen
  const QString title = QString(70, u'T');
  const QString text = "Motion Detected on Cam\rAt : 21-46-10" + QString(300, u'x');
  window.showBalloon(title, text);
  TrayNotice* notice = window.notice();
  EXPECT_TRUE(notice->isVisible());
  EXPECT_EQ(notice->title(), QString(63, u'T'));
  EXPECT_EQ(notice->text().size(), 255);
  EXPECT_TRUE(notice->text().startsWith("Motion Detected on Cam\nAt : 21-46-10xxx"));
}

TEST_F(AppFixture, PictureDirectoryStoresTheChosenFolderOnOkOnly) {
  TMDIParent& window = start({kCam});
  QDir().mkpath(home.file(QStringLiteral("Images")));
  auto answerDialog = [](const char* button, const QString& typed) {
    whenModal([button, typed](QWidget* dialog) {
      if (!typed.isNull())
        dialog->findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(typed);
      dialog->findChild<QPushButton*>(QString::fromLatin1(button))->click();
    });
  };
  answerDialog("BitBtn2", QStringLiteral("/cancelled"));
  window.OutDir->trigger();
  EXPECT_EQ(storedImageDir(home), "<absent>");

  answerDialog("BitBtn1", QString());
  window.OutDir->trigger();
  EXPECT_EQ(storedImageDir(home), QDir(home.file(QStringLiteral("Images"))).absolutePath());

  // Stored unchecked, also a folder that does not exist yet.
  answerDialog("BitBtn1", QStringLiteral("/srv/cameras/front"));
  window.OutDir->trigger();
  EXPECT_EQ(storedImageDir(home), "/srv/cameras/front");
  EXPECT_TRUE(prompts.shown.isEmpty());
  answerDialog("BitBtn2", QString());
  window.OutDir->trigger();
  EXPECT_EQ(storedImageDir(home), "/srv/cameras/front");
  ASSERT_EQ(prompts.shown.size(), 1);  // the next showing cannot go there
  EXPECT_EQ(prompts.shown[0].text, "Error setting path: \"/srv/cameras/front\"");
}

TEST_F(AppFixture, ToolsMenuShowsBothViewersWithoutWaitingAndOnlyRaisesThemWhenShown) {
  TMDIParent& window = start({kCam});
  QMenu* tools = nullptr;
  for (QAction* menu : window.menuBar()->actions())
    if (menu->text() == "&Tools")
      tools = menu->menu();
  ASSERT_NE(tools, nullptr);
  QStringList items;
  for (QAction* action : tools->actions()) items.append(action->text());
  EXPECT_EQ(items, QStringList({"&Open Image Viewer", "O&pen Log Viewer"}));

  // The log viewer reads the main window's log, which holds no camera yet.
  TLogForm& logForm = windows().LogForm;
  window.LogView->trigger();
  EXPECT_TRUE(logForm.isVisible());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(logForm.AdvMemo1->toPlainText(), "\nNo Logs");
  window.writeLogEntry("Cam", "Motion Captured On 8-12-2026 21-46-10", "Images");
  window.LogView->trigger();
  EXPECT_EQ(logForm.TreeView1->topLevelItemCount(), 0) << "an open window is only raised";
  EXPECT_EQ(logForm.AdvMemo1->toPlainText(), "\nNo Logs");
  logForm.close();
  window.LogView->trigger();
  ASSERT_EQ(logForm.TreeView1->topLevelItemCount(), 1);
  EXPECT_EQ(logForm.TreeView1->topLevelItem(0)->text(0), "Cam");

  TImageViewerForm& viewer = windows().ImageViewerForm;
  window.OpenViewer->trigger();
  EXPECT_TRUE(viewer.isVisible());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(viewer.DirectoryListBoxEx1->folder(), QDir::cleanPath(home.file("Images")));
  EXPECT_TRUE(prompts.shown.isEmpty());
  logForm.close();
  viewer.close();
}

TEST_F(AppFixture, HelpMenuOpensTheHelpPageForumAndSupportMail) {
  UrlCatcher catcher;
  for (const char* scheme : {"file", "mailto", "https"})
    QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &catcher, "open");
  TMDIParent& window = start({kCam});
  window.HelpAction->trigger();
  window.SupEmail1->trigger();
  window.Forum1->trigger();
  for (const char* scheme : {"file", "mailto", "https"})
    QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
  ASSERT_EQ(catcher.opened.size(), 3);
  EXPECT_TRUE(catcher.opened[0].toLocalFile().endsWith("/Help/Quorvex.html"));
  EXPECT_TRUE(QFile::exists(catcher.opened[0].toLocalFile()));
  EXPECT_EQ(catcher.opened[1].scheme(), "mailto");
  EXPECT_FALSE(catcher.opened[1].path().isEmpty());
  EXPECT_EQ(catcher.opened[2].scheme(), "https");
}

TEST_F(AppFixture, ClosingSavesTheCameraKeyAndWritesOutTheLog) {
  TMDIParent& window = start({kCam});
  ASSERT_NE(window.cameraWindow(), nullptr);
  window.writeLogEntry(QStringLiteral("Cam"), QStringLiteral("Motion Captured On 08-12-2026 21-46-10"),
                       QStringLiteral("Motion Events"));
  EXPECT_FALSE(SettingsStore(home.settingsFile()).KeyExists(applicationKey() + "\\Cam"));
  window.TrayMenu1->actions().last()->trigger();  // the tray's "Exit"
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.cameraWindow(), nullptr);
  SettingsStore settings(home.settingsFile());
  ASSERT_TRUE(settings.OpenKey(applicationKey() + "\\Cam", false));
  EXPECT_FALSE(settings.ReadBool(QStringLiteral("Detect")));
  EXPECT_TRUE(settings.ReadBool(QStringLiteral("ShowGrid")));
  QFile log(home.file(QStringLiteral("Quorvex.log")));
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  EXPECT_EQ(log.readAll(), "[Cam]\r\nMotion Captured On 08-12-2026 21-46-10=Motion Events\r\n");
}

TEST_F(AppFixture, ExitClosesTheWindowAndSaysSo) {
  TMDIParent& window = start({kCam});
  bool closed = false;
  QObject::connect(&window, &TMDIParent::closed, [&] { closed = true; });
  window.FileExit1->trigger();
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(closed);
  // The log is gone with the window; late entries are dropped, not written.
  window.writeLogEntry(QStringLiteral("Cam"), QStringLiteral("late"), QStringLiteral("x"));
  EXPECT_FALSE(QFile::exists(home.file(QStringLiteral("Quorvex.log"))));
}

}  // namespace

#include "tmdi_parent_test.moc"
