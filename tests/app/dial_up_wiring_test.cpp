#include "app_fixture.h"

#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "dialup/connection_use.h"
#include "support/network_manager_mock.h"

#include <QAction>
#include <QButtonGroup>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace {

using namespace std::chrono_literals;

const VideoSourceEntry kCam{QStringLiteral("Cam"), QStringLiteral("test:snow")};

void storeConnection(const TempHome& home, qint32 connection, qint32 dailNum) {
  SettingsStore settings(home.settingsFile());
  ASSERT_TRUE(settings.OpenKey(applicationKey(), true));
  settings.WriteInteger(QStringLiteral("Connection"), connection);
  settings.WriteInteger(QStringLiteral("DailNum"), dailNum);
}

// The Wizards menu opens the connection dialog beside the main window; what it
// stores is read at the next start only.
TEST_F(AppFixture, TheConnectionWizardShowsTheDialogWithoutWaiting) {
  NetworkManagerMock mock;
  ASSERT_TRUE(mock.isValid());
  mock.addProfile("Line", "pppoe", "u-line");
  storeConnection(home, 2, -1);
  TMDIParent& window = start({kCam});
  QMenu* wizards = nullptr;
  for (QAction* menu : window.menuBar()->actions())
    if (menu->text() == "&Wizards")
      wizards = menu->menu();
  ASSERT_NE(wizards, nullptr);
  ASSERT_TRUE(wizards->actions().contains(window.Connection));
  EXPECT_EQ(window.Connection->text(), "&Connection Wizard");

  TRasForm& dialog = windows().RasForm;
  window.Connection->trigger();
  ASSERT_TRUE(dialog.isVisible());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(dialog.ItemIndex(), 2);
  dialog.RadioGroup1->button(1)->click();
  ASSERT_EQ(dialog.ListView1->count(), 1);
  EXPECT_EQ(dialog.ListView1->item(0)->text(), "Line");
  dialog.BitBtn2->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(ConnectionSetup::read(home.settingsFile()).connectionType, 1);
  EXPECT_EQ(window.ConnectionType(), 2);
  EXPECT_TRUE(prompts.shown.isEmpty());
}

// A line up when the program starts has a user outside it: the deliveries' use of
// it never hangs it up.
TEST_F(AppFixture, ALineUpAtTheStartIsNeverHungUp) {
  NetworkManagerMock mock;
  ASSERT_TRUE(mock.isValid());
  mock.activate(mock.addProfile("Line", "pppoe", "u-line"));
  storeConnection(home, 1, 0);
  TMDIParent& window = start({kCam});
  ASSERT_TRUE(window.IsConnected(0));
  window.AcquireConnection();
  window.ReleaseConnection();
  runEvents(1500ms);  // a poll or more
  EXPECT_TRUE(window.IsConnected(0));
  EXPECT_EQ(mock.calls("ActivateConnection"), 1) << "the one before the start";
  EXPECT_EQ(mock.calls("DeactivateConnection"), 0);
  EXPECT_EQ(mock.activeConnections().size(), 1);
}

}  // namespace
