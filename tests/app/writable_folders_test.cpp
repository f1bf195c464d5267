#include "app/writable_folders.h"

#include "support/files.h"
#include "support/read_only_folder.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(WritableFoldersTest, NamesEachFolderThatCannotBeWrittenAndWhatIsLost) {
  QTemporaryDir writable;
  writeFile(writable.filePath("plain-file"), "x");
  // A folder below a regular file can never be made, not even by root.
  const QString underAFile = writable.filePath("plain-file/home");

  EXPECT_EQ(unwritableFoldersWarning(writable.path() + '/', writable.filePath("settings.db")), "");
  EXPECT_EQ(unwritableFoldersWarning(underAFile + '/', underAFile + "/settings.db"),
            "Cannot write to the folder " + underAFile +
                ": no snapshots, no event log and no settings are saved in this run.");
  EXPECT_EQ(unwritableFoldersWarning(underAFile + '/', writable.filePath("settings.db")),
            "Cannot write to the program folder " + underAFile +
                ": no snapshots and no event log are saved in this run.");
  EXPECT_EQ(unwritableFoldersWarning(writable.path() + '/', underAFile + "/settings.db"),
            "Cannot write to the settings folder " + underAFile + ": settings are not saved in this run.");
  // The check leaves nothing behind.
  EXPECT_EQ(QDir(writable.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList{"plain-file"});
}

TEST(WritableFoldersTest, AReadOnlyFolderIsFoundAlsoByRoot) {
  ReadOnlyFolder folder;
  if (!folder.isValid())
    GTEST_SKIP() << "no read-only folder can be made here";
  EXPECT_TRUE(unwritableFoldersWarning(folder.path() + '/', folder.path() + "/settings.db")
                  .startsWith("Cannot write to the folder " + folder.path() + ":"));
}

}  // namespace
