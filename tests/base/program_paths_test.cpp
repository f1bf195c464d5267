#include "base/program_paths.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(ProgramPaths, HomeHoldsBothWithATrailingSeparatorCreatedAtOnce) {
  TempHome home;
  const QString nested = home.path() + "a/b";
  const ProgramPaths paths = ProgramPaths::locate(nested);
  EXPECT_EQ(paths.programFolder, nested + "/");
  EXPECT_TRUE(QDir(nested).exists());
  EXPECT_EQ(paths.settingsFile, nested + "/settings.db");
}

TEST(ProgramPaths, FallsBackToTheXdgFoldersWithoutAHome) {
  QTemporaryDir xdg;
  const QByteArray oldData = qgetenv("XDG_DATA_HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_DATA_HOME", (xdg.path() + "/data").toUtf8());
  qputenv("XDG_CONFIG_HOME", (xdg.path() + "/config").toUtf8());
  const ProgramPaths paths = ProgramPaths::locate(QString());
  EXPECT_EQ(paths.programFolder, xdg.path() + "/data/Quorvex/");
  EXPECT_EQ(paths.settingsFile, xdg.path() + "/config/Quorvex/settings.db");
  EXPECT_TRUE(QDir(xdg.path() + "/config/Quorvex").exists());
  qputenv("XDG_DATA_HOME", oldData);
  qputenv("XDG_CONFIG_HOME", oldConfig);
}

TEST(ProgramPaths, FindsAssetsInTheProgramFolderFirst) {
  TempHome home;
  const ProgramPaths paths = home.paths();
  EXPECT_EQ(paths.findAsset("no-such-asset.wav"), QString());
  QFile file(home.file("alert.wav"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  EXPECT_EQ(paths.findAsset("alert.wav"), home.file("alert.wav"));
}
