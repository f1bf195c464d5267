#include "base/program_folder.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(ProgramFolder, IsQuorvexHomeWithATrailingSeparatorCreatedOnFirstUse) {
  TempHome home;
  const QString nested = home.path() + "a/b";
  qputenv("QUORVEX_HOME", nested.toUtf8());
  EXPECT_EQ(programFolder(), nested + "/");
  EXPECT_TRUE(QDir(nested).exists());
  EXPECT_EQ(settingsFilePath(), nested + "/settings.db");
}

TEST(ProgramFolder, FallsBackToTheXdgFoldersWithoutQuorvexHome) {
  TempHome home;
  QTemporaryDir xdg;
  const QByteArray oldData = qgetenv("XDG_DATA_HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
  qunsetenv("QUORVEX_HOME");
  qputenv("XDG_DATA_HOME", (xdg.path() + "/data").toUtf8());
  qputenv("XDG_CONFIG_HOME", (xdg.path() + "/config").toUtf8());
  EXPECT_EQ(programFolder(), xdg.path() + "/data/Quorvex/");
  EXPECT_EQ(settingsFilePath(), xdg.path() + "/config/Quorvex/settings.db");
  EXPECT_TRUE(QDir(xdg.path() + "/config/Quorvex").exists());
  qputenv("XDG_DATA_HOME", oldData);
  qputenv("XDG_CONFIG_HOME", oldConfig);
}

TEST(ProgramFolder, FindsAssetsInTheProgramFolderFirst) {
  TempHome home;
  EXPECT_EQ(findAsset("no-such-asset.wav"), QString());
  QFile file(home.file("alert.wav"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  EXPECT_EQ(findAsset("alert.wav"), home.file("alert.wav"));
}
