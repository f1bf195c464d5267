#include "app_fixture.h"
#include "base/settings_keys.h"
#include "support/camera_key.h"

#include "base/settings_store.h"
#include "monitor/motion_options_panel.h"
#include "monitor/picture_area.h"
#include "monitor/spin_edit.h"
#include "monitor/t_motion_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <map>
#include <variant>

namespace {

const VideoSourceEntry kCam{QStringLiteral("Cam"), QStringLiteral("test:ball")};
const QString kCameraKey = cameraKey(QStringLiteral("Cam"));

QMdiSubWindow* frameOf(TMotionForm* camera) { return qobject_cast<QMdiSubWindow*>(camera->parentWidget()); }

// A value of the camera key: a DWORD, a text, or absent.
using Stored = std::variant<std::monostate, qint32, QString>;

Stored stored(const TempHome& home, const QString& name) {
  SettingsStore store(home.settingsFile());
  if (!store.OpenKey(kCameraKey, false) || !store.ValueExists(name))
    return {};
  try {
    return store.ReadInteger(name);
  } catch (...) {
    return store.ReadString(name);
  }
}

std::string shown(const Stored& value) {
  if (const auto* number = std::get_if<qint32>(&value))
    return std::to_string(*number);
  if (const auto* text = std::get_if<QString>(&value))
    return '"' + text->toStdString() + '"';
  return "absent";
}

QString describe(const QWidget* control, const QString& caption, int needed) {
  return QStringLiteral("%1 \"%2\" needs %3 px, has %4")
      .arg(control->objectName(), caption)
      .arg(needed)
      .arg(control->width());
}

// The captions among the visible controls under `root` that their control cuts, one
// line each. Each caption's width is measured with the control's font metrics and
// grown by the room its style adds (indicator, margins, arrow).
QStringList cutCaptions(QWidget* root) {
  QStringList cut;
  for (QWidget* control : root->findChildren<QWidget*>()) {
    if (!control->isVisible())
      continue;
    const QFontMetrics metrics = control->fontMetrics();
    QStyle* style = control->style();
    const auto needs = [&](QStyle::ContentsType type, QStyleOption& option, const QString& text) {
      option.initFrom(control);
      return style->sizeFromContents(type, &option, metrics.size(Qt::TextShowMnemonic, text), control)
          .width();
    };
    if (auto* box = qobject_cast<QCheckBox*>(control)) {
      QStyleOptionButton option;
      option.text = box->text();
      const int needed = needs(QStyle::CT_CheckBox, option, box->text());
      if (needed > box->width())
        cut.append(describe(box, box->text(), needed));
    } else if (auto* button = qobject_cast<QPushButton*>(control)) {
      const int needed = metrics.horizontalAdvance(button->text()) +
                         2 * style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
      if (needed > button->width())
        cut.append(describe(button, button->text(), needed));
    } else if (auto* list = qobject_cast<QComboBox*>(control)) {
      for (int i = 0; i < list->count(); ++i) {
        QStyleOptionComboBox option;
        const int needed = needs(QStyle::CT_ComboBox, option, list->itemText(i));
        if (needed > list->width())
          cut.append(describe(list, list->itemText(i), needed));
      }
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
      const int needed = metrics.horizontalAdvance(label->text());
      if (!label->text().isEmpty() && needed > label->contentsRect().width())
        cut.append(describe(label, label->text(), needed));
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
      const int needed = metrics.horizontalAdvance(group->title()) + 2 * metrics.averageCharWidth();
      if (needed > group->width())
        cut.append(describe(group, group->title(), needed));
    } else if (auto* tabs = qobject_cast<QTabBar*>(control)) {
      const int space = style->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, tabs);
      for (int i = 0; i < tabs->count(); ++i) {
        const QRect tab = tabs->tabRect(i);
        const int needed = metrics.horizontalAdvance(tabs->tabText(i)) + space;
        if (needed > tab.width() || tab.right() >= tabs->width())
          cut.append(describe(tabs, tabs->tabText(i), needed));
      }
    }
  }
  return cut;
}

}  // namespace

// Sizes in failure messages.
void PrintTo(const QSize& size, std::ostream* out) { *out << size.width() << "x" << size.height(); }

class CameraWindowTest : public AppFixture {
 protected:
  TMotionForm& startCamera(const VideoSourceEntry& source = kCam) {
    TMotionForm* camera = start({source}).cameraWindow();
    EXPECT_NE(camera, nullptr);
    return *camera;
  }
};

TEST_F(CameraWindowTest, OpensAtItsSizeAndTheOptionsPanelWidensTheFrameNotThePicture) {
  TMotionForm& camera = startCamera();
  QMdiSubWindow* frame = frameOf(&camera);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(camera.size(), QSize(365, 345));
  const QSize closedFrame = frame->size();
  const QSize closedPicture = camera.PaintBox1->size();
  const int bar = camera.Panel2->width();

  const struct {
    const char* name;
    std::function<void()> open, close;
  } ways[] = {
      {"bar and Options page button", [&] { camera.Panel2->click(); },
       [&] { camera.Panel1->SpeedButton1->click(); }},
      {"double clicks on the picture", [&] { QTest::mouseDClick(camera.PaintBox1, Qt::LeftButton); },
       [&] { QTest::mouseDClick(camera.PaintBox1, Qt::LeftButton); }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.name);
    way.open();
    QCoreApplication::processEvents();
    ASSERT_TRUE(camera.Panel1->isVisible());
    EXPECT_FALSE(camera.Panel2->isVisible());
    EXPECT_GE(camera.Panel1->width(), MotionOptionsPanel::kWidth);
    EXPECT_EQ(frame->size(), closedFrame + QSize(camera.Panel1->width(), 0));
    // The picture keeps its size; it only takes over the place of the bar.
    EXPECT_EQ(camera.PaintBox1->size(), closedPicture + QSize(bar, 0));
    way.close();
    QCoreApplication::processEvents();
    EXPECT_FALSE(camera.Panel1->isVisible());
    EXPECT_EQ(frame->size(), closedFrame);
    EXPECT_EQ(camera.PaintBox1->size(), closedPicture);
  }
}

TEST_F(CameraWindowTest, EveryCaptionOfTheOptionsPanelShowsInFull) {
  TMotionForm& camera = startCamera();
  MotionOptionsPanel* panel = camera.Panel1;
  ASSERT_GT(panel->ComboBox2->count(), 1);  // the source's video modes, the longest included
  camera.Panel2->click();
  for (const int page : {0, 1, 2, 3}) {
    panel->PageControl1->setCurrentIndex(page == 0 ? 0 : 1);
    panel->PageControl2->setCurrentIndex(std::max(page - 1, 0));
    // A stream's format may arrive now and refill the mode list: let the layout settle.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const QStringList cut = cutCaptions(panel);
    EXPECT_TRUE(cut.isEmpty()) << "page " << page << ":\n" << cut.join('\n').toStdString();
  }
}

TEST_F(CameraWindowTest, FitPictureIsOnAtFirstSwitchedFromTheContextMenuAndKeptPerCamera) {
  TMotionForm& camera = startCamera();
  PictureArea* picture = camera.PaintBox1;
  ASSERT_TRUE(waitUntil([&] { return !camera.pictureCanvas().image().isNull(); }));
  EXPECT_TRUE(picture->FitPicture->isChecked());
  EXPECT_EQ(picture->pictureRect().width(), picture->width());  // 640x480 into the narrower area

  // The user's way: the context menu of the picture, its "Fit Picture" item.
  QStringList items;
  auto* poll = new QTimer(picture);
  QObject::connect(poll, &QTimer::timeout, [&, poll] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu)
      return;
    poll->stop();
    for (QAction* item : menu->actions()) items.append(item->text());
    menu->actions().value(0)->trigger();
    menu->close();
  });
  poll->start(10);
  QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(20, 20), picture->mapToGlobal(QPoint(20, 20)));
  QApplication::sendEvent(picture, &menuEvent);
  EXPECT_EQ(items, QStringList({"Fit Picture"}));
  EXPECT_FALSE(picture->FitPicture->isChecked());
  EXPECT_EQ(picture->pictureRect(), QRect(0, 0, 640, 480));
  // Detection and snapshots keep working on the whole frame.
  EXPECT_EQ(camera.pictureCanvas().image().size(), QSize(640, 480));

  mainWindow().close();
  EXPECT_EQ(shown(stored(home, "FitPicture")), "0");
  EXPECT_FALSE(startCamera().PaintBox1->FitPicture->isChecked());
  EXPECT_TRUE(startCamera({QStringLiteral("Door"), kCam.uri}).PaintBox1->FitPicture->isChecked());
}

// A value that cannot be read stops the load; the close then writes back only what
// was loaded or changed, so the values after the bad one stay as they were stored.
TEST_F(CameraWindowTest, AValueThatCannotBeReadLosesNoStoredValueAtClose) {
  const struct {
    const char* bad;
    std::map<QString, Stored> expectedAfterClose;
  } cases[] = {
      {"XGrid",
       {{"BlockSens", 6},
        {"XGrid", QStringLiteral("ten")},
        {"YGrid", 5},
        {"TCapRate", 45},
        {"FtpTime", 20},
        {"FitPicture", 0}}},
      {"FitPicture",
       {{"BlockSens", 6},
        {"XGrid", 10},
        {"YGrid", 5},
        {"TCapRate", 45},
        {"FtpTime", 20},
        {"FitPicture", QStringLiteral("ten")}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bad);
    {
      SettingsStore store(home.settingsFile());
      writeCameraKey(store, QStringLiteral("Cam"),
                     {{"YGrid", 5}, {"TCapRate", 60}, {"FtpTime", 20}, {"FitPicture", 0}});
      store.WriteString(QLatin1String(c.bad), QStringLiteral("ten"));
    }
    prompts.shown.clear();
    TMotionForm& camera = startCamera();
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Failed to get data for '%1'").arg(c.bad));
    camera.Panel1->AdvSpinEdit1->setValue(6);   // loaded in both cases
    camera.Panel1->AdvSpinEdit5->setValue(45);  // after the bad value in the first case
    mainWindow().close();
    for (const auto& [name, expected] : c.expectedAfterClose)
      EXPECT_EQ(shown(stored(home, name)), shown(expected)) << name.toStdString();
  }
}
