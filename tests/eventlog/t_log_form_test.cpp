#include "eventlog/ui/t_log_form.h"

#include "eventlog/event_log.h"
#include "eventlog/ui/line_numbered_text.h"
#include "support/files.h"
#include "support/scripted_prompts.h"
#include "support/temp_home.h"

#include <QLabel>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

const QStringList kCategories{"Images", "FTP", "Email", "Alarm", "Timed Capture", "Device Events"};

class LogFormTest : public ::testing::Test {
 protected:
  LogFormTest() { log.Open(home.file("Quorvex.log")); }
  ~LogFormTest() override { form.hide(); }

  void write(const QString& camera, const QString& key, const QString& value) {
    ASSERT_TRUE(log.WriteEntry(camera, key, value));
  }
  QTreeWidgetItem* node(const QString& camera, const QString& category = {}) {
    for (int i = 0; i < form.TreeView1->topLevelItemCount(); ++i) {
      QTreeWidgetItem* item = form.TreeView1->topLevelItem(i);
      if (item->text(0) != camera)
        continue;
      if (category.isEmpty())
        return item;
      for (int c = 0; c < item->childCount(); ++c)
        if (item->child(c)->text(0) == category)
          return item->child(c);
    }
    ADD_FAILURE() << "no node " << camera.toStdString() << " / " << category.toStdString();
    return nullptr;
  }
  // A real mouse click; a category node is scrolled into view first.
  void click(QTreeWidgetItem* item) {
    if (item->parent())
      item->parent()->setExpanded(true);
    form.TreeView1->scrollToItem(item);
    QTest::mouseClick(form.TreeView1->viewport(), Qt::LeftButton, {},
                      form.TreeView1->visualItemRect(item).center());
  }
  QString pane() const { return form.AdvMemo1->toPlainText(); }

  TempHome home;
  EventLog log;
  EventLog* source = &log;
  ScriptedPrompts prompts;
  TLogForm form{prompts, [this] { return source; }};
};

TEST_F(LogFormTest, TheTreeListsTheCamerasNewestSectionFirstEachWithTheSixCategories) {
  EXPECT_EQ(form.windowTitle(), "Event Log Viewer");
  EXPECT_EQ(form.size(), QSize(699, 421));
  EXPECT_EQ(form.TreeView1->indentation(), 19);
  EXPECT_EQ(form.AdvMemo1->font().pixelSize(), 13);
  const QFontMetrics letters(form.AdvMemo1->font());
  EXPECT_EQ(letters.horizontalAdvance(u'i'), letters.horizontalAdvance(u'W')) << "fixed pitch";
  EXPECT_EQ(form.AdvMemo1->lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_TRUE(form.AdvMemo1->isReadOnly());
  write("A", "Motion Captured On 10-12-2026 01-00-00", "Images");
  write("B", "Device Lost on 10-12-2026 01-00-01", "Device Events");
  write("A", "Motion Captured On 10-12-2026 01-00-02", "Images");
  write("C", "Alarm Sounded on 10-12-2026 01-00-03", "Alarm");
  form.show();
  ASSERT_EQ(form.TreeView1->topLevelItemCount(), 3);
  for (int i = 0; i < 3; ++i) {
    QTreeWidgetItem* camera = form.TreeView1->topLevelItem(i);
    EXPECT_EQ(camera->text(0), QString(QChar(u'C' - i)));
    QStringList children;
    for (int c = 0; c < camera->childCount(); ++c) children.append(camera->child(c)->text(0));
    EXPECT_EQ(children, kCategories);
    EXPECT_FALSE(camera->isExpanded());
  }
  EXPECT_EQ(form.Label1->text(), "No Cam Selected");
  EXPECT_EQ(pane(), "");
}

TEST_F(LogFormTest, ClickingACategoryListsThatCamerasMessagesOfItInFileOrder) {
  write("A", "Motion Captured On 10-12-2026 01-00-00", "Images");
  write("A", "Alarm Sounded on 10-12-2026 01-00-00", "Alarm");
  write("B", "Motion Captured On 10-12-2026 01-00-01", "Images");
  write("A", "Motion Captured On 10-12-2026 01-00-02", "Images");
  write("A", "Odd entry 10-12-2026 01-00-03", "images");  // no category: case counts
  form.show();

  click(node("A"));
  EXPECT_EQ(form.Label1->text(), "No Cam Selected") << "a camera node does nothing";
  const struct {
    const char* camera;
    const char* category;
    QString listed;
  } cases[] = {
      {"A", "Images", "Motion Captured On 10-12-2026 01-00-00\nMotion Captured On 10-12-2026 01-00-02"},
      {"A", "Alarm", "Alarm Sounded on 10-12-2026 01-00-00"},
      {"B", "Images", "Motion Captured On 10-12-2026 01-00-01"},
      {"A", "FTP", ""},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(std::string(each.camera) + " / " + each.category);
    click(node(each.camera, each.category));
    EXPECT_EQ(form.Label1->text(), each.camera);
    EXPECT_EQ(pane(), each.listed);
  }

  // Entries written while the window is open appear at the next click, also on
  // the node already selected; a keyboard move lists nothing.
  write("A", "Image Uploaded on 10-12-2026 01-00-04", "FTP");
  click(node("A", "FTP"));
  EXPECT_EQ(pane(), "Image Uploaded on 10-12-2026 01-00-04");
  form.TreeView1->setFocus();
  QTest::keyClick(form.TreeView1, Qt::Key_Down);
  ASSERT_EQ(form.TreeView1->currentItem()->text(0), "Email");
  EXPECT_EQ(pane(), "Image Uploaded on 10-12-2026 01-00-04");
}

TEST_F(LogFormTest, ACameraWithMoreThanSixteenKilobytesOfEntriesListsThemAll) {
  QStringList expected;
  for (int i = 0; i < 600; ++i) {
    expected.append(QStringLiteral("Motion Captured On 10-12-2026 %1-%2-%3 number %4")
                        .arg(i / 3600, 2, 10, QChar(u'0'))
                        .arg(i / 60 % 60, 2, 10, QChar(u'0'))
                        .arg(i % 60, 2, 10, QChar(u'0'))
                        .arg(i));
    write("Busy", expected.last(), i % 2 ? "Images" : "Timed Capture");
  }
  ASSERT_GT(expected.join(QChar(0)).toUtf8().size(), 16384);
  form.show();
  click(node("Busy", "Images"));
  QStringList images;
  for (int i = 1; i < expected.size(); i += 2) images.append(expected[i]);
  EXPECT_EQ(pane(), images.join(u'\n'));
  EXPECT_TRUE(pane().endsWith("number 599"));
}

TEST_F(LogFormTest, EachShowingOfAnEmptyLogAddsNoLogsAndClicksInTheEmptyTreeDoNothing) {
  form.show();
  EXPECT_EQ(form.TreeView1->topLevelItemCount(), 0);
  QTest::mouseClick(form.TreeView1->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
  form.hide();
  source = nullptr;  // the main window has no log open yet
  form.show();
  EXPECT_EQ(pane(), "\nNo Logs\nNo Logs");
  EXPECT_EQ(form.AdvMemo1->blockCount(), 3);
  EXPECT_TRUE(prompts.shown.isEmpty());

  // The camera list is rebuilt at each showing; the pane keeps its text.
  source = &log;
  write("A", "Device Lost on 10-12-2026 01-00-00", "Device Events");
  form.hide();
  form.show();
  EXPECT_EQ(form.TreeView1->topLevelItemCount(), 1);
  EXPECT_EQ(pane(), "\nNo Logs\nNo Logs");
}

TEST_F(LogFormTest, TheViewerNeverWritesTheLog) {
  write("A", "Motion Captured On 10-12-2026 01-00-00", "Images");
  log.Flush();
  const QByteArray before = readFile(home.file("Quorvex.log"));
  form.show();
  click(node("A", "Images"));
  click(node("A", "Device Events"));
  EXPECT_EQ(readFile(home.file("Quorvex.log")), before);
}

}  // namespace
