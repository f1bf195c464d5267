#include "app/t_all_wiz_form.h"

#include "app/console_echo.h"
#include "app_fixture.h"
#include "base/error.h"
#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "dialup/ui/t_ras_form.h"
#include "support/scripted_prompts.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <optional>

namespace {

const VideoSourceEntry kCam{QStringLiteral("Cam"), QStringLiteral("test:snow")};

// On the box's mark: a check box takes clicks on its mark and its text only.
void clickBox(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2)); }

// A chooser whose steps record that they ran.
struct RecordingChooser {
  ScriptedPrompts prompts;
  QStringList ran;
  TAllWizForm form{prompts,
                   {[this] { ran.append("connection"); }, [this] { ran.append("email"); },
                    [this] { ran.append("ftp"); }, [this] { ran.append("picture directory"); }}};
};

TEST(TAllWizForm, ShowsItsStepsInOrderWithOkDisabled) {
  RecordingChooser chooser;
  chooser.form.show();
  const TAllWizForm& form = chooser.form;
  EXPECT_EQ(form.windowTitle(), "Welcome to Quorvex");
  EXPECT_EQ(form.size(), QSize(489, 278));
  QStringList steps;
  for (const QCheckBox* box :
       {form.CheckBox5, form.CheckBox1, form.CheckBox2, form.CheckBox3, form.CheckBox4}) {
    steps.append(box->text());
    EXPECT_FALSE(box->isChecked());
    EXPECT_TRUE(box->isEnabled());
    EXPECT_LT(box->y(), form.BitBtn1->y());
  }
  EXPECT_EQ(steps, QStringList({"Connection Setup", "Email Wizard", "FTP Wizard", "Picture Directory",
                                "Don't show me again."}));
  EXPECT_LT(form.CheckBox5->y(), form.CheckBox1->y());
  EXPECT_LT(form.CheckBox1->y(), form.CheckBox2->y());
  EXPECT_LT(form.CheckBox2->y(), form.CheckBox3->y());
  EXPECT_TRUE(form.CheckBox4->font().italic());
  EXPECT_FALSE(form.BitBtn1->isEnabled());
  EXPECT_TRUE(form.BitBtn2->isEnabled());
  QStringList texts;
  for (const QLabel* label : form.findChildren<QLabel*>()) texts.append(label->text());
  EXPECT_TRUE(texts.join('|').contains("Welcome To Quorvex")) << texts.join('|').toStdString();
  EXPECT_TRUE(texts.join('|').contains("Please click on the checkbox to activate the Wizard"));
}

// Each click ticks and disables its box before the step runs; OK comes with the fourth.
TEST(TAllWizForm, EachStepRunsOnceAndOkFollowsTheLastOfTheFour) {
  RecordingChooser chooser;
  TAllWizForm& form = chooser.form;
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  const QList<std::pair<QCheckBox*, QString>> order = {{form.CheckBox1, "email"},
                                                       {form.CheckBox3, "picture directory"},
                                                       {form.CheckBox5, "connection"},
                                                       {form.CheckBox2, "ftp"}};
  for (int i = 0; i < order.size(); ++i) {
    EXPECT_FALSE(form.BitBtn1->isEnabled()) << i;
    clickBox(order[i].first);
    EXPECT_TRUE(order[i].first->isChecked());
    EXPECT_FALSE(order[i].first->isEnabled());
    ASSERT_EQ(chooser.ran.size(), i + 1);
    EXPECT_EQ(chooser.ran.last(), order[i].second);
    // A disabled box takes no second click.
    clickBox(order[i].first);
    EXPECT_EQ(chooser.ran.size(), i + 1);
  }
  EXPECT_TRUE(form.BitBtn1->isEnabled());
  QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
  EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST(TAllWizForm, AStepThatFailsIsToldAndTheStepCountsAsStarted) {
  ScriptedPrompts prompts;
  TAllWizForm form(prompts, {[] { throw Error(QStringLiteral("no dialog")); }, {}, {}, {}});
  form.CheckBox5Click();
  ASSERT_EQ(prompts.shown.size(), 1);
  EXPECT_EQ(prompts.shown[0].text, "no dialog");
  EXPECT_TRUE(form.CheckBox5->isChecked());
  EXPECT_FALSE(form.CheckBox5->isEnabled());
}

TEST(TAllWizForm, CancelIsOkWithDontShowMeAgainAndTheCloseButtonIsAlwaysCancel) {
  struct Case {
    const char* name;
    bool dontShowAgain;
    bool byCloseButton;
    int result;
  };
  for (const Case& c : {Case{"cancel", false, false, QDialog::Rejected},
                        Case{"cancel, ticked", true, false, QDialog::Accepted},
                        Case{"close button, ticked", true, true, QDialog::Rejected}}) {
    SCOPED_TRACE(c.name);
    RecordingChooser chooser;
    chooser.form.show();
    chooser.form.CheckBox4->setChecked(c.dontShowAgain);
    if (c.byCloseButton)
      chooser.form.close();
    else
      QTest::mouseClick(chooser.form.BitBtn2, Qt::LeftButton);
    EXPECT_FALSE(chooser.form.isVisible());
    EXPECT_EQ(chooser.form.result(), c.result);
    EXPECT_TRUE(chooser.ran.isEmpty());
  }
}

// Start-up step 9, on a machine with a display unless said otherwise.
class FirstRunChooser : public AppFixture {
 protected:
  FirstRunChooser() { displayShown = true; }

  // Starts the program; `answer` runs on the chooser if it comes up. Whether it did.
  bool startAnswering(const std::function<void(TAllWizForm&)>& answer) {
    bool shown = false;
    QTimer poll;  // ends with the start, also when no chooser came
    QObject::connect(&poll, &QTimer::timeout, [&] {
      QWidget* dialog = QApplication::activeModalWidget();
      if (!dialog)
        return;
      poll.stop();
      auto* chooser = qobject_cast<TAllWizForm*>(dialog);
      ASSERT_NE(chooser, nullptr) << dialog->metaObject()->className();
      shown = true;
      // After the event log is opened, before the video sources are looked for.
      EXPECT_NE(mainWindow().eventLog(), nullptr);
      EXPECT_EQ(mainWindow().cameraWindow(), nullptr);
      answer(*chooser);
    });
    poll.start(10);
    start({kCam});
    EXPECT_NE(mainWindow().cameraWindow(), nullptr);
    return shown;
  }

  // Starts anew on the same home, as the next run of the program does.
  bool restartAnswering(const std::function<void(TAllWizForm&)>& answer) {
    mainWindow().close();
    EXPECT_TRUE(waitUntil([this] { return mainWindow().eventLog() == nullptr; }));
    return startAnswering(answer);
  }

  std::optional<bool> storedAllWiz() {
    SettingsStore settings(paths.settingsFile);
    if (!settings.OpenKey(applicationKey(), false) || !settings.ValueExists(QStringLiteral("AllWiz")))
      return std::nullopt;
    return settings.ReadBool(QStringLiteral("AllWiz"));
  }
};

TEST_F(FirstRunChooser, OkAfterTheFourStepsWritesAllWizAndTheChooserStaysAwayThen) {
  const bool shown = startAnswering([this](TAllWizForm& chooser) {
    mainWindow().setWizardFolders({});  // no plugins: each wizard step is told so
    whenModal([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); });  // the picture directory
    for (QCheckBox* box : {chooser.CheckBox5, chooser.CheckBox1, chooser.CheckBox2, chooser.CheckBox3})
      clickBox(box);
    QTest::mouseClick(chooser.BitBtn1, Qt::LeftButton);
  });
  EXPECT_TRUE(shown);
  EXPECT_EQ(storedAllWiz(), std::optional<bool>(true));
  // (The picture directory chooser may tell that the picture folder does not exist yet.)
  ASSERT_GE(prompts.shown.size(), 2);
  EXPECT_EQ(prompts.shown[0].text, "EMail/libmailwiz.so library not found");
  EXPECT_EQ(prompts.shown[1].text, "FTP/libftpwiz.so library not found");

  EXPECT_FALSE(restartAnswering([](TAllWizForm& chooser) { chooser.reject(); }));
}

// The chooser waits application-modal; the connection dialog it opens must take
// clicks all the same, and its OK stores the choice.
TEST_F(FirstRunChooser, TheConnectionStepsDialogTakesInputWhileTheChooserWaits) {
  const bool shown = startAnswering([](TAllWizForm& chooser) {
    clickBox(chooser.CheckBox5);
    auto* connection = qobject_cast<TRasForm*>(QApplication::activeModalWidget());
    ASSERT_NE(connection, nullptr);
    QAbstractButton* noInternet = connection->RadioGroup1->button(0);
    QTest::mouseClick(noInternet, Qt::LeftButton, {}, QPoint(6, noInternet->height() / 2));
    QTest::mouseClick(connection->BitBtn2, Qt::LeftButton);
    EXPECT_FALSE(connection->isVisible());
    chooser.reject();
  });
  EXPECT_TRUE(shown);
  SettingsStore settings(paths.settingsFile);
  ASSERT_TRUE(settings.OpenKey(applicationKey(), false));
  EXPECT_EQ(settings.ReadInteger(QStringLiteral("Connection")), 0);
}

TEST_F(FirstRunChooser, CancelBringsItBackNextTimeUnlessDontShowMeAgainIsTicked) {
  EXPECT_TRUE(
      startAnswering([](TAllWizForm& chooser) { QTest::mouseClick(chooser.BitBtn2, Qt::LeftButton); }));
  EXPECT_EQ(storedAllWiz(), std::nullopt);
  EXPECT_TRUE(restartAnswering([](TAllWizForm& chooser) {
    chooser.CheckBox4->setChecked(true);
    QTest::mouseClick(chooser.BitBtn2, Qt::LeftButton);
  }));
  EXPECT_EQ(storedAllWiz(), std::optional<bool>(true));
  EXPECT_FALSE(restartAnswering([](TAllWizForm& chooser) { chooser.reject(); }));
}

TEST_F(FirstRunChooser, OnlyThePresenceOfAllWizCounts) {
  SettingsStore settings(paths.settingsFile);
  ASSERT_TRUE(settings.OpenKey(applicationKey(), true));
  settings.WriteString(QStringLiteral("AllWiz"), QString());
  EXPECT_FALSE(startAnswering([](TAllWizForm& chooser) { chooser.reject(); }));
}

TEST_F(FirstRunChooser, AHeadlessRunSkipsItWithALineAndWritesNothing) {
  displayShown = false;
  runOptions.headless = true;
  int ends[2];
  ASSERT_EQ(::pipe2(ends, O_CLOEXEC | O_NONBLOCK), 0);
  ConsoleEcho echo(ends[1]);
  runOptions.echo = &echo;
  EXPECT_FALSE(startAnswering([](TAllWizForm& chooser) { chooser.accept(); }));
  EXPECT_EQ(storedAllWiz(), std::nullopt);

  QByteArray output;
  char buffer[4096];
  for (ssize_t got; (got = ::read(ends[0], buffer, sizeof buffer)) > 0;) output.append(buffer, got);
  ::close(ends[0]);
  EXPECT_EQ(output.count("The set-up chooser was skipped because there is no display.\n"), 1)
      << output.toStdString();
}

}  // namespace
