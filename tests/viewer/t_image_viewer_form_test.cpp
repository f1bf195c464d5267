#include "viewer/t_image_viewer_form.h"

#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "jpeg_files.h"
#include "support/event_loop.h"
#include "support/files.h"
#include "support/read_only_folder.h"
#include "support/scripted_prompts.h"
#include "support/temp_home.h"
#include "viewer/folder_list.h"
#include "viewer/picture_pane.h"
#include "viewer/thumbnail_model.h"
#include "viewer/thumbnail_strip.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

class ImageViewerTest : public ::testing::Test {
 protected:
  ~ImageViewerTest() override { form.hide(); }

  void storeImageDir(const QString& folder) {
    SettingsStore settings(home.settingsFile());
    ASSERT_TRUE(settings.OpenKey(applicationKey(), true));
    settings.WriteString(QStringLiteral("ImageDir"), folder);
  }
  QString makeFolder(const QString& name) {
    const QString path = QDir::cleanPath(home.file(name));
    EXPECT_TRUE(QDir().mkpath(path));
    return path;
  }
  // Pictures 101, 102 ... pixels wide, so the pane tells which one it shows.
  QStringList makePictures(const QString& folder, int count) {
    QStringList paths;
    for (int i = 0; i < count; ++i) {
      paths.append(folder + QStringLiteral("/pic%1.jpg").arg(i));
      writeJpeg(paths.last(), QSize(101 + i, 40));
    }
    return paths;
  }
  void showAgain() {
    form.hide();
    form.show();
  }
  // The picture shown, as its number in makePictures(); -1 for an empty pane.
  int shownPicture() const {
    const QImage& picture = form.AdvPicture1->picture();
    return picture.isNull() ? -1 : picture.width() - 101;
  }
  static void click(QWidget* widget, Qt::KeyboardModifiers modifiers = {}, QPoint at = {}) {
    QTest::mouseClick(widget, Qt::LeftButton, modifiers, at.isNull() ? widget->rect().center() : at);
  }
  void clickThumbnail(int row, Qt::KeyboardModifiers modifiers = {}) {
    ThumbnailStrip* strip = form.ThumbnailList1;
    const QRect cell = strip->visualRect(strip->model()->index(row, 0));
    ASSERT_TRUE(strip->viewport()->rect().contains(cell.center())) << row;
    click(strip->viewport(), modifiers, cell.center());
  }
  QStringList stripPaths() const {
    QStringList paths;
    for (int row = 0; row < form.ThumbnailList1->count(); ++row) paths.append(form.ThumbnailList1->path(row));
    return paths;
  }
  bool slideShowStopped() const { return !form.Timer1->isActive() && form.SpeedButton2->isChecked(); }

  TempHome home;
  ScriptedPrompts prompts;
  TImageViewerForm form{prompts, home.paths()};
};

TEST_F(ImageViewerTest, WithoutImageDirItOpensTheProgramsImagesFolderMadeForAFreshInstall) {
  EXPECT_EQ(form.windowTitle(), "Image Viewer");
  EXPECT_EQ(form.minimumSize(), QSize(651, 499));
  EXPECT_TRUE(form.CheckBox1->isChecked());
  EXPECT_EQ(form.AdvSpinEdit1->value(), 1);
  EXPECT_EQ(form.Timer1->interval(), 1000);
  ASSERT_FALSE(QFileInfo::exists(home.file("Images")));
  form.show();
  EXPECT_TRUE(prompts.shown.isEmpty());
  EXPECT_TRUE(QFileInfo(home.file("Images")).isDir());
  EXPECT_EQ(form.DirectoryListBoxEx1->folder(), QDir::cleanPath(home.file("Images")));
  EXPECT_EQ(form.ThumbnailList1->count(), 0);
  EXPECT_TRUE(slideShowStopped());
}

TEST_F(ImageViewerTest, TheStripListsTheFoldersJpgFilesOfAnyCaseInNameOrderIgnoringCase) {
  const QString folder = makeFolder("snaps");
  for (const char* name : {"b.jpg", "A.JPG", "c.Jpg", "a2.jpg"})
    writeJpeg(folder + '/' + name, QSize(20, 20));
  writeFile(folder + "/notes.txt", "not a picture");
  writeFile(folder + "/picture.jpeg", "another extension");
  writeFile(folder + "/.hidden.jpg", "hidden");
  makeFolder("snaps/folder.jpg");
  storeImageDir(folder);
  form.show();
  EXPECT_EQ(stripPaths(),
            QStringList({folder + "/A.JPG", folder + "/a2.jpg", folder + "/b.jpg", folder + "/c.Jpg"}));
  const QModelIndex first = form.ThumbnailList1->model()->index(0, 0);
  EXPECT_EQ(first.data(Qt::DisplayRole).toString(), "A.JPG");
  EXPECT_EQ(form.ThumbnailList1->currentRow(), 0);
  EXPECT_EQ(shownPicture(), -1);  // the pane waits for a button
}

TEST_F(ImageViewerTest, ShowingAgainKeepsTheStripUnlessImageDirNamesAnotherFolderLetterForLetter) {
  const QString upper = makeFolder("Snaps");
  const QString lower = makeFolder("snaps");
  makePictures(upper, 2);
  storeImageDir(upper);
  form.show();
  ASSERT_EQ(form.ThumbnailList1->count(), 2);

  makePictures(lower, 3);
  writeJpeg(upper + "/later.jpg", QSize(10, 10));
  showAgain();
  EXPECT_EQ(form.ThumbnailList1->count(), 2) << "pictures saved since are not listed";

  storeImageDir(QString());
  showAgain();
  EXPECT_EQ(form.DirectoryListBoxEx1->folder(), upper) << "an empty ImageDir keeps the folder";

  storeImageDir(upper + "/");
  showAgain();
  EXPECT_EQ(form.ThumbnailList1->count(), 2) << "a trailing separator names the same folder";

  storeImageDir(lower);  // differs only in case: another folder on Linux
  showAgain();
  EXPECT_EQ(form.DirectoryListBoxEx1->folder(), lower);
  EXPECT_EQ(form.ThumbnailList1->count(), 3);
  EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(ImageViewerTest, AnImageDirThatCannotBeEnteredIsToldAndTheFolderAndStripStay) {
  const QString folder = makeFolder("snaps");
  makePictures(folder, 2);
  storeImageDir(folder);
  form.show();
  writeFile(home.file("a-file"), "not a folder");
  const struct {
    QString imageDir;
    const char* reason;
  } cases[] = {{home.file("gone"), "it does not exist."}, {home.file("a-file"), "it is not a folder."}};
  for (const auto& each : cases) {
    SCOPED_TRACE(each.reason);
    prompts.shown.clear();
    storeImageDir(each.imageDir);
    showAgain();
    EXPECT_TRUE(form.isVisible());
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].text, "Cannot open the folder \"" + each.imageDir + "\": " + each.reason);
    EXPECT_EQ(form.DirectoryListBoxEx1->folder(), folder);
    EXPECT_EQ(form.ThumbnailList1->count(), 2);
  }
}

TEST_F(ImageViewerTest, ADoubleClickOnASubFolderEntersIt) {
  const QString folder = makeFolder("snaps");
  const QString day = makeFolder("snaps/10-12-2026");
  makePictures(day, 3);
  storeImageDir(folder);
  form.show();
  ASSERT_EQ(form.ThumbnailList1->count(), 0);
  const QList<QTreeWidgetItem*> found = form.DirectoryListBoxEx1->findItems("10-12-2026", Qt::MatchRecursive);
  ASSERT_EQ(found.size(), 1);
  QTreeWidget* list = form.DirectoryListBoxEx1;
  const QPoint at = list->visualItemRect(found[0]).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  EXPECT_EQ(form.DirectoryListBoxEx1->folder(), folder) << "a single click does not enter";
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  EXPECT_EQ(form.DirectoryListBoxEx1->folder(), day);
  EXPECT_EQ(form.ThumbnailList1->count(), 3);
}

TEST_F(ImageViewerTest, NavigationButtonsMoveAndShowAndStopAtTheEnds) {
  const QString folder = makeFolder("snaps");
  makePictures(folder, 5);
  storeImageDir(folder);
  form.show();
  const struct {
    QToolButton* button;
    int shown;
  } steps[] = {{form.SpeedButton5, 1}, {form.SpeedButton6, 4}, {form.SpeedButton5, 4}, {form.SpeedButton4, 3},
               {form.SpeedButton3, 0}, {form.SpeedButton4, 0}, {form.SpeedButton5, 1}};
  for (const auto& step : steps) {
    click(step.button);
    EXPECT_EQ(shownPicture(), step.shown) << step.button->objectName().toStdString();
    EXPECT_EQ(form.ThumbnailList1->currentRow(), step.shown);
  }
  // A click on a thumbnail makes it current but leaves the pane alone.
  clickThumbnail(3);
  EXPECT_EQ(form.ThumbnailList1->currentRow(), 3);
  EXPECT_EQ(shownPicture(), 1);
  click(form.SpeedButton5);
  EXPECT_EQ(shownPicture(), 4);
}

TEST_F(ImageViewerTest, TheSlideShowLoopsOrStopsAtTheLastPicture) {
  const QString folder = makeFolder("snaps");
  makePictures(folder, 5);
  storeImageDir(folder);
  form.show();
  EXPECT_EQ(form.Timer1->interval(), 1000);
  QList<int> shown;
  QObject::connect(form.Timer1, &QTimer::timeout, [&] { shown.append(shownPicture()); });

  for (const bool loop : {true, false}) {
    SCOPED_TRACE(loop ? "Loop" : "no Loop");
    shown.clear();
    click(form.SpeedButton3);
    form.CheckBox1->setChecked(loop);
    click(form.SpeedButton1);
    EXPECT_TRUE(form.SpeedButton1->isChecked());
    EXPECT_TRUE(form.Timer1->isActive());
    form.Timer1->setInterval(10);  // the delay itself is not what is tested here
    if (loop) {
      ASSERT_TRUE(waitUntil([&] { return shown.size() >= 7; }));
      click(form.SpeedButton2);
      EXPECT_EQ(shown.mid(0, 7), QList<int>({1, 2, 3, 4, 0, 1, 2}));
    } else {
      ASSERT_TRUE(waitUntil([&] { return !form.Timer1->isActive(); }));
      EXPECT_EQ(shown, QList<int>({1, 2, 3, 4, 4}));
    }
    EXPECT_TRUE(slideShowStopped());
  }
}

TEST_F(ImageViewerTest, AnyNavigationButtonStopsARunningShow) {
  const QString folder = makeFolder("snaps");
  makePictures(folder, 3);
  storeImageDir(folder);
  form.show();
  for (QToolButton* button : {form.SpeedButton3, form.SpeedButton4, form.SpeedButton5, form.SpeedButton6}) {
    click(form.SpeedButton1);
    ASSERT_TRUE(form.Timer1->isActive());
    click(button);
    EXPECT_TRUE(slideShowStopped()) << button->objectName().toStdString();
  }
}

TEST_F(ImageViewerTest, AnEmptyFolderShowsNothingAndTheShowStopsAtItsFirstStep) {
  form.show();
  ASSERT_EQ(form.ThumbnailList1->count(), 0);
  for (QToolButton* button : {form.SpeedButton3, form.SpeedButton4, form.SpeedButton5, form.SpeedButton6})
    click(button);
  EXPECT_EQ(shownPicture(), -1);
  click(form.SpeedButton1);
  form.Timer1->setInterval(10);
  EXPECT_TRUE(waitUntil([&] { return slideShowStopped(); }));
}

TEST_F(ImageViewerTest, TheDelayFollowsTheFieldAndNeverBecomesZero) {
  form.show();
  QLineEdit* field = form.AdvSpinEdit1->findChild<QLineEdit*>();
  ASSERT_NE(field, nullptr);
  const auto type = [&](const QString& text) {
    field->selectAll();
    if (text.isEmpty())
      QTest::keyClick(field, Qt::Key_Delete);
    else
      QTest::keyClicks(field, text);
  };
  type("5");
  EXPECT_EQ(form.Timer1->interval(), 5000);
  for (const char* text : {"0", "", "00"}) {
    type(text);
    EXPECT_EQ(form.Timer1->interval(), 5000) << "typed \"" << text << '"';
    form.AdvSpinEdit1->clearFocus();
    EXPECT_GE(form.AdvSpinEdit1->value(), 1);
    EXPECT_GE(form.Timer1->interval(), 1000);
  }
  type("60");
  EXPECT_EQ(form.Timer1->interval(), 60000);
}

TEST_F(ImageViewerTest, DeleteSelectedDeletesExactlyTheSelectedFiles) {
  const QString folder = makeFolder("snaps");
  const QStringList pictures = makePictures(folder, 5);
  storeImageDir(folder);
  form.show();
  clickThumbnail(1);
  clickThumbnail(3, Qt::ControlModifier);
  form.DeleteAll1->trigger();
  EXPECT_EQ(stripPaths(), QStringList({pictures[0], pictures[2], pictures[4]}));
  for (int i = 0; i < pictures.size(); ++i) EXPECT_EQ(QFileInfo::exists(pictures[i]), i != 1 && i != 3) << i;
  EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(ImageViewerTest, DeleteAllDeletesOnlyTheListedJpgFiles) {
  const QString folder = makeFolder("snaps");
  const QStringList pictures = makePictures(folder, 3);
  writeFile(folder + "/notes.txt", "kept");
  makeFolder("snaps/sub");
  writeJpeg(folder + "/sub/inside.jpg", QSize(10, 10));
  storeImageDir(folder);
  form.show();
  click(form.SpeedButton5);
  writeJpeg(folder + "/later.jpg", QSize(10, 10));  // not listed, so not deleted
  form.Delete1->trigger();
  EXPECT_EQ(form.ThumbnailList1->count(), 0);
  for (const QString& picture : pictures) EXPECT_FALSE(QFileInfo::exists(picture));
  EXPECT_TRUE(QFileInfo::exists(folder + "/notes.txt"));
  EXPECT_TRUE(QFileInfo::exists(folder + "/later.jpg"));
  EXPECT_TRUE(QFileInfo::exists(folder + "/sub/inside.jpg"));
  EXPECT_EQ(shownPicture(), 1) << "the pane keeps its picture";
}

TEST_F(ImageViewerTest, AFileThatCannotBeDeletedKeepsItsThumbnailAndOneAlreadyGoneLeaves) {
  QStringList pictures;
  ReadOnlyFolder readOnly([&](const QString& folder) { pictures = makePictures(folder, 3); });
  if (!readOnly.isValid())
    GTEST_SKIP() << "no read-only folder can be made here";
  storeImageDir(readOnly.path());
  form.show();
  ASSERT_EQ(form.ThumbnailList1->count(), 3);
  form.Delete1->trigger();
  EXPECT_EQ(stripPaths(), pictures);
  for (const QString& picture : pictures) EXPECT_TRUE(QFileInfo::exists(picture));

  const QString folder = makeFolder("snaps");
  const QStringList writable = makePictures(folder, 3);
  storeImageDir(folder);
  showAgain();
  clickThumbnail(0);
  clickThumbnail(2, Qt::ControlModifier);
  ASSERT_TRUE(QFile::remove(writable[2]));
  form.DeleteAll1->trigger();
  EXPECT_EQ(stripPaths(), QStringList({writable[1]}));
  EXPECT_TRUE(prompts.shown.isEmpty());
}

// threads: thumbnails are decoded on the loader's workers.
TEST_F(ImageViewerTest, ThumbnailsAreDecodedWhenDrawnAndABrokenJpegShowsNothing) {
  const QString folder = makeFolder("snaps");
  const QStringList pictures = makePictures(folder, 150);
  const QString broken = folder + "/pic0000-broken.jpg";  // sorts second
  writeFile(broken, QByteArray("\xFF\xD8\xFF", 3) + QByteArray(500, 'x'));
  storeImageDir(folder);
  form.show();
  ThumbnailStrip* strip = form.ThumbnailList1;
  ThumbnailModel* model = strip->thumbnails();
  ASSERT_EQ(strip->path(1), broken);
  const QList<int> visible = strip->visibleRows();
  ASSERT_FALSE(visible.isEmpty());
  ASSERT_LT(visible.last(), 100);
  const auto stateOf = [&](int row) { return model->state(row); };
  ASSERT_TRUE(waitUntil([&] {
    return std::all_of(visible.begin(), visible.end(), [&](int row) {
      return stateOf(row) == ThumbnailModel::State::Loaded ||
             stateOf(row) == ThumbnailModel::State::Unreadable;
    });
  }));
  EXPECT_EQ(stateOf(0), ThumbnailModel::State::Loaded);
  EXPECT_EQ(model->index(0).data(Qt::DecorationRole).value<QImage>().size(), QSize(64, 25));
  EXPECT_EQ(stateOf(1), ThumbnailModel::State::Unreadable);
  runEvents(100ms);
  for (int row = visible.last() + 1; row < strip->count(); ++row)
    ASSERT_EQ(stateOf(row), ThumbnailModel::State::NotLoaded) << row;

  click(form.SpeedButton6);
  EXPECT_TRUE(waitUntil([&] { return stateOf(strip->count() - 1) == ThumbnailModel::State::Loaded; }));
  click(form.SpeedButton3);
  click(form.SpeedButton5);
  EXPECT_EQ(strip->currentRow(), 1);
  EXPECT_TRUE(form.AdvPicture1->picture().isNull());
  EXPECT_TRUE(prompts.shown.isEmpty());
}

}  // namespace
