#include "viewer/t_open_dir.h"
#include "base/settings_keys.h"

#include "base/settings_store.h"
#include "support/scripted_prompts.h"
#include "support/temp_home.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

class OpenDirTest : public ::testing::Test {
 protected:
  void storeImageDir(const QString& folder) {
    SettingsStore settings(home.settingsFile());
    ASSERT_TRUE(settings.OpenKey(applicationKey(), true));
    settings.WriteString(QStringLiteral("ImageDir"), folder);
  }
  QString makeFolder(const QString& name) {
    const QString path = home.file(name);
    EXPECT_TRUE(QDir().mkpath(path));
    return QDir(path).absolutePath();
  }
  QString editText() { return dialog.findChild<QLineEdit*>(QStringLiteral("Edit1"))->text(); }
  void showAgain() {
    dialog.hide();
    dialog.show();
  }
  void press(const char* button) { dialog.findChild<QPushButton*>(QString::fromLatin1(button))->click(); }

  TempHome home;
  ScriptedPrompts prompts;
  TOpenDir dialog{prompts, home.paths()};
};

TEST_F(OpenDirTest, OpensOnTheProgramFoldersImagesWhenNothingIsStoredAndOkKeepsThatPath) {
  const QString images = makeFolder(QStringLiteral("Images"));
  EXPECT_EQ(dialog.windowTitle(), "Open Directory");
  dialog.show();
  EXPECT_TRUE(prompts.shown.isEmpty());
  EXPECT_EQ(editText(), images);
  const auto* locations = dialog.findChild<QComboBox*>(QStringLiteral("ShellComboBox1"));
  EXPECT_EQ(locations->currentData().toString(), images);
  press("BitBtn1");
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.ChosenDir(), images);
}

TEST_F(OpenDirTest, TreeSelectionFillsTheEditAndTypedTextIsWhatOkChooses) {
  const QString first = makeFolder(QStringLiteral("pictures/first"));
  const QString second = makeFolder(QStringLiteral("pictures/second"));
  storeImageDir(first);
  dialog.show();
  EXPECT_EQ(editText(), first);

  auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("ShellTreeView1"));
  auto* model = qobject_cast<QFileSystemModel*>(tree->model());
  tree->setCurrentIndex(model->index(second));
  EXPECT_EQ(editText(), second);
  EXPECT_EQ(dialog.findChild<QComboBox*>(QStringLiteral("ShellComboBox1"))->currentData().toString(), second);

  // A typed path is taken as it is, whether or not it exists.
  dialog.findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QStringLiteral("/nowhere/typed"));
  press("BitBtn1");
  EXPECT_EQ(dialog.ChosenDir(), "/nowhere/typed");

  // The stored folder wins again at the next showing; Cancel keeps the last choice.
  showAgain();
  EXPECT_EQ(editText(), first);
  press("BitBtn2");
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(dialog.ChosenDir(), "/nowhere/typed");
}

TEST_F(OpenDirTest, AMissingStartFolderIsReportedAndTheDialogOpensWithTheEditUnchanged) {
  const QString gone = home.file(QStringLiteral("deleted"));
  storeImageDir(gone);
  dialog.show();
  EXPECT_TRUE(dialog.isVisible());
  ASSERT_EQ(prompts.shown.size(), 1);
  EXPECT_EQ(prompts.shown[0].text, "Error setting path: \"" + gone + "\"");
  EXPECT_EQ(prompts.shown[0].caption, "Quorvex");
  EXPECT_EQ(editText(), "Edit1");  // the first showing keeps the initial text
  press("BitBtn1");
  EXPECT_EQ(dialog.ChosenDir(), "Edit1");

  // Later showings keep what the edit held before.
  const QString there = makeFolder(QStringLiteral("there"));
  storeImageDir(there);
  showAgain();
  EXPECT_EQ(editText(), there);
  QDir(there).removeRecursively();
  showAgain();
  EXPECT_EQ(prompts.shown.size(), 2);
  EXPECT_EQ(editText(), there);
}

TEST_F(OpenDirTest, WithoutImagesFolderTheDefaultIsReportedToo) {
  dialog.show();
  ASSERT_EQ(prompts.shown.size(), 1);
  EXPECT_EQ(prompts.shown[0].text, "Error setting path: \"" + home.path() + "Images\"");
}

TEST_F(OpenDirTest, AnEmptyStoredFolderStartsAtTheTopOfTheTree) {
  storeImageDir(QString());
  dialog.show();
  EXPECT_TRUE(prompts.shown.isEmpty());
  EXPECT_EQ(editText(), QDir::rootPath());
}

}  // namespace
