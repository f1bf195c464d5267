#include "app_fixture.h"

#include "app/context_help.h"
#include "app/message_box_prompts.h"
#include "monitor/motion_options_panel.h"
#include "monitor/t_motion_form.h"

#include <QAction>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFile>
#include <QMessageBox>
#include <QTest>
#include <QUrl>

#include <functional>

namespace {

// Receives what is given to the desktop to open, as a browser would.
class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
  ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

  QList<QUrl> opened;

 public slots:
  void open(const QUrl& url) { opened.append(url); }
};

// Takes the file URLs and cannot open them, as where no browser can be started.
class NoBrowser : public QObject {
 public:
  NoBrowser() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "noSuchMethod"); }
  ~NoBrowser() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
};

const VideoSourceEntry kCam{QStringLiteral("Cam"), QStringLiteral("test:snow")};

TEST_F(AppFixture, F1OpensTheHelpPageAtTheTopicOfTheWindowUnderIt) {
  TMDIParent& window = start({kCam});
  ASSERT_NE(window.cameraWindow(), nullptr);
  MessageBoxPrompts boxes;
  struct Case {
    const char* name;
    std::function<void()> pressF1;
    QString fragment;
  };
  const Case cases[] = {
      {"main window", [&] { QTest::keyClick(&window, Qt::Key_F1); }, QStringLiteral("context-8")},
      {"camera window control",
       [&] { QTest::keyClick(window.cameraWindow()->Panel1->CheckBox1, Qt::Key_F1); },
       QStringLiteral("context-9")},
      {"message box",
       [&] {
         whenModal([](QWidget* box) {
           QTest::keyClick(box, Qt::Key_F1);
           qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
         });
         boxes.messageBox({QStringLiteral("No Settings!"), QStringLiteral("Quorvex"), Prompts::Icon::Error,
                           Prompts::Buttons::Ok, 22});
       },
       QStringLiteral("context-22")},
      {"window without a topic", [&] { QTest::keyClick(windows().AboutBox.window(), Qt::Key_F1); },
       QString()},
      {"help menu", [&] { window.HelpAction->trigger(); }, QString()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UrlCatcher catcher;
    c.pressF1();
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_TRUE(catcher.opened[0].toLocalFile().endsWith("/Help/Quorvex.html"));
    EXPECT_EQ(catcher.opened[0].fragment(), c.fragment);
  }
  EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(AppFixture, HelpThatCannotBeShownIsToldWithTheFilesPath) {
  TMDIParent& window = start({kCam});
  NoBrowser noBrowser;
  QTest::keyClick(&window, Qt::Key_F1);
  window.HelpAction->trigger();
  ASSERT_EQ(prompts.shown.size(), 2);
  for (const Prompts::Message& message : prompts.shown) {
    EXPECT_TRUE(message.text.startsWith("No program could be started to show the help.\r"));
    EXPECT_TRUE(message.text.endsWith("/Help/Quorvex.html")) << message.text.toStdString();
    EXPECT_EQ(message.icon, Prompts::Icon::Error);
  }
}

TEST(ContextHelpTest, EveryTopicOfTheProgramHasItsPlaceOnTheHelpPage) {
  QFile page(QStringLiteral(QUORVEX_SOURCE_DATA_DIR "/Help/Quorvex.html"));
  ASSERT_TRUE(page.open(QIODevice::ReadOnly));
  const QByteArray html = page.readAll();
  // The windows' and the message boxes' help contexts.
  for (int context : {8, 9, 10, 11, 12, 13, 14, 15, 19, 20, 21, 22, 23})
    EXPECT_TRUE(html.contains(QStringLiteral("id=\"context-%1\"").arg(context).toUtf8())) << context;
}

}  // namespace

#include "context_help_test.moc"
