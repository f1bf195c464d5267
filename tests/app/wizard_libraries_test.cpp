#include "app/wizard_libraries.h"

#include "app_fixture.h"
#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "support/scripted_prompts.h"
#include "support/temp_home.h"
#include "wizard_plugins.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The stand-in plugins take their settings from QUORVEX_HOME, as the real ones do.
class WizardHome {
 public:
  WizardHome() : m_previous(qgetenv("QUORVEX_HOME")) { qputenv("QUORVEX_HOME", home.path().toUtf8()); }
  ~WizardHome() { qputenv("QUORVEX_HOME", m_previous); }

  // What the value-writing plugin recorded: how many runs and the last entry point.
  std::pair<int, QString> recorded() const {
    SettingsStore settings(home.settingsFile());
    if (!settings.OpenKey(applicationKey(), false) || !settings.ValueExists(QStringLiteral("TestWizardRuns")))
      return {0, {}};
    return {settings.ReadInteger(QStringLiteral("TestWizardRuns")),
            settings.ReadString(QStringLiteral("TestWizardEntry"))};
  }

  TempHome home;

 private:
  QByteArray m_previous;
};

struct PluginCase {
  const char* name;
  void (WizardLibraries::*run)();
  void* WizardLibraries::*handle;
  QString relativePath;
  QString entryPoint;
  QString notFound;
  QString noEntry;
};

const PluginCase kPlugins[] = {
    {"FTP", &WizardLibraries::runFtpWizard, &WizardLibraries::FtpWizardLib, "FTP/libftpwiz.so", "FTPWizard",
     "FTP/libftpwiz.so library not found", "Error in DLL : libftpwiz.so"},
    {"EMail", &WizardLibraries::runMailWizard, &WizardLibraries::MailWizardLib, "EMail/libmailwiz.so",
     "Wizard", "EMail/libmailwiz.so library not found", "Error in DLL : libmailwiz.so"},
};

TEST(WizardLibraries, RunsThePluginsEntryPointAndUnloadsItOnceAtTheEnd) {
  for (const PluginCase& plugin : kPlugins) {
    SCOPED_TRACE(plugin.name);
    WizardHome wizardHome;
    ScriptedPrompts prompts;
    ASSERT_TRUE(placePlugin(TestPlugin::ValueWriter, wizardHome.home.path(), plugin.relativePath));
    const QString path = wizardHome.home.file(plugin.relativePath);
    WizardLibraries libraries(prompts, {wizardHome.home.path()});

    (libraries.*plugin.run)();
    EXPECT_TRUE(prompts.shown.isEmpty());
    EXPECT_EQ(wizardHome.recorded(), std::make_pair(1, plugin.entryPoint));
    void* first = libraries.*plugin.handle;
    EXPECT_NE(first, nullptr);
    // A second run loads the same library again and keeps one handle for it.
    (libraries.*plugin.run)();
    EXPECT_EQ(wizardHome.recorded(), std::make_pair(2, plugin.entryPoint));
    EXPECT_EQ(libraries.*plugin.handle, first);
    EXPECT_TRUE(isLoaded(path));

    libraries.unloadAll();
    EXPECT_EQ(libraries.*plugin.handle, nullptr);
    EXPECT_FALSE(isLoaded(path));
  }
}

TEST(WizardLibraries, AMissingPluginOrEntryPointIsToldAndNothingRuns) {
  for (const PluginCase& plugin : kPlugins) {
    SCOPED_TRACE(plugin.name);
    WizardHome wizardHome;
    ScriptedPrompts prompts;
    WizardLibraries libraries(prompts, {wizardHome.home.path()});

    (libraries.*plugin.run)();
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].text, plugin.notFound);
    EXPECT_EQ(prompts.shown[0].caption, "Quorvex");
    EXPECT_EQ(prompts.shown[0].buttons, Prompts::Buttons::Ok);
    EXPECT_EQ(libraries.*plugin.handle, nullptr);

    ASSERT_TRUE(placePlugin(TestPlugin::NoEntry, wizardHome.home.path(), plugin.relativePath));
    (libraries.*plugin.run)();
    ASSERT_EQ(prompts.shown.size(), 2);
    EXPECT_EQ(prompts.shown[1].text, plugin.noEntry);
    // The library did load: its handle is kept, to be unloaded at the end.
    EXPECT_NE(libraries.*plugin.handle, nullptr);
    EXPECT_EQ(wizardHome.recorded().first, 0);
  }
}

TEST(WizardLibraries, LooksInItsFoldersInOrderAndNeverRelativeToTheCurrentFolder) {
  WizardHome wizardHome;
  QTemporaryDir second;
  ASSERT_TRUE(placePlugin(TestPlugin::NoEntry, second.path(), QStringLiteral("FTP/libftpwiz.so")));
  ScriptedPrompts prompts;
  {
    // The second folder serves when the first lacks the plugin ...
    WizardLibraries libraries(prompts, {wizardHome.home.path(), second.path()});
    libraries.runFtpWizard();
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].text, "Error in DLL : libftpwiz.so");
    // ... and the first wins once it has it.
    ASSERT_TRUE(
        placePlugin(TestPlugin::ValueWriter, wizardHome.home.path(), QStringLiteral("FTP/libftpwiz.so")));
    libraries.runFtpWizard();
    EXPECT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(wizardHome.recorded().first, 1);
  }
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(second.path()));
  WizardLibraries relative(prompts, {QString(), QStringLiteral("."), QStringLiteral("FTP/..")});
  relative.runFtpWizard();
  QDir::setCurrent(previous);
  ASSERT_EQ(prompts.shown.size(), 2);
  EXPECT_EQ(prompts.shown[1].text, "FTP/libftpwiz.so library not found");
}

class WizardMenu : public AppFixture {
 protected:
  WizardHome wizardHome;
};

TEST_F(WizardMenu, TheWizardsMenuRunsThePluginsOfTheProgramFolderAndClosingUnloadsThem) {
  paths = wizardHome.home.paths();
  ASSERT_TRUE(placePlugin(TestPlugin::ValueWriter, paths.programFolder, QStringLiteral("FTP/libftpwiz.so")));
  TMDIParent& window = start({{QStringLiteral("Cam"), QStringLiteral("test:snow")}});
  window.setWizardFolders({paths.programFolder});

  QStringList menus;
  QMenu* wizards = nullptr;
  for (QAction* menu : window.menuBar()->actions()) {
    menus.append(menu->text());
    if (menu->text() == "&Wizards")
      wizards = menu->menu();
  }
  EXPECT_EQ(menus, QStringList({"&File", "O&ptions", "&Tools", "&Wizards", "&Help"}));
  ASSERT_NE(wizards, nullptr);
  QStringList items;
  for (QAction* item : wizards->actions()) items.append(item->text());
  EXPECT_EQ(items.mid(0, 2), QStringList({"&FTP Setup Wizard", "&Email Setup Wizard"}));

  window.FTPWizBtn->trigger();
  EXPECT_EQ(wizardHome.recorded(), std::make_pair(1, QStringLiteral("FTPWizard")));
  window.EmailWiz->trigger();
  ASSERT_EQ(prompts.shown.size(), 1);
  EXPECT_EQ(prompts.shown[0].text, "EMail/libmailwiz.so library not found");

  const QString plugin = paths.programFolder + QStringLiteral("FTP/libftpwiz.so");
  EXPECT_TRUE(isLoaded(plugin));
  window.close();
  EXPECT_FALSE(isLoaded(plugin));
}

}  // namespace
