#include "app_fixture.h"
#include "base/settings_keys.h"

#include "app/console_echo.h"
#include "app/console_lines.h"
#include "app/message_box_prompts.h"
#include "app/t_choose_vs_form.h"
#include "base/program_folder.h"
#include "base/settings_store.h"
#include "capture/cap_device_info.h"
#include "capture/ui/video_capture.h"
#include "eventlog/date_time_text.h"
#include "monitor/t_motion_form.h"
#include "support/files.h"
#include "support/read_only_folder.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include <QAbstractButton>
#include <QComboBox>
#include <QMessageBox>

#include <functional>

#include <fcntl.h>
#include <unistd.h>

namespace {

using Answer = Prompts::Answer;
using Buttons = Prompts::Buttons;

const VideoSourceEntry kCam{QStringLiteral("Cam"), QStringLiteral("test:snow")};
const VideoSourceEntry kDoor{QStringLiteral("Door"), QStringLiteral("test:ball")};

bool splashShown() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (qobject_cast<TAbout*>(widget) && widget->isVisible())
      return true;
  }
  return false;
}

// Answers from a script, and can plug a camera in when the first box is answered.
class WatchingPrompts final : public Prompts {
 public:
  Answer messageBox(const Message& message) override {
    shown.append(message);
    if (shown.size() == 1 && !plugIn.isEmpty())
      setVideoSources(plugIn);
    return answers.value(shown.size() - 1, Answer::Ok);
  }
  void beep() override {}

  QList<Answer> answers;
  QList<VideoSourceEntry> plugIn;
  QList<Message> shown;
};

struct NoSourceCase {
  const char* name;
  QList<Answer> answers;
  QList<Buttons> boxes;
  bool windowCloses;
};

TEST_F(AppFixture, NoVideoSourceAsksAbortRetryIgnoreThenAbortIgnore) {
  const NoSourceCase cases[] = {
      {"abort", {Answer::Abort}, {Buttons::AbortRetryIgnore}, true},
      {"ignore", {Answer::Ignore}, {Buttons::AbortRetryIgnore}, false},
      {"retry, ignore",
       {Answer::Retry, Answer::Ignore},
       {Buttons::AbortRetryIgnore, Buttons::AbortIgnore},
       false},
      {"retry, abort",
       {Answer::Retry, Answer::Abort},
       {Buttons::AbortRetryIgnore, Buttons::AbortIgnore},
       true},
  };
  if (!GetVideoDeviceNames(true).isEmpty())
    GTEST_SKIP() << "this machine has a video device";
  for (const NoSourceCase& c : cases) {
    SCOPED_TRACE(c.name);
    WatchingPrompts watching;
    watching.answers = c.answers;
    TMDIParent& window = start({}, &watching);
    ASSERT_EQ(watching.shown.size(), c.boxes.size());
    for (qsizetype i = 0; i < watching.shown.size(); ++i) {
      EXPECT_EQ(watching.shown[i].text, "No Video Sources Found!");
      EXPECT_EQ(watching.shown[i].buttons, c.boxes[i]);
      EXPECT_EQ(watching.shown[i].helpContext, 19);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(window.isVisible(), !c.windowCloses);
    EXPECT_TRUE(window.VideoSource().isEmpty());
    EXPECT_FALSE(splashShown());
  }
}

// The splash stays on top; a real dialog of the start-up must not open under it.
TEST_F(AppFixture, TheSplashGivesWayToTheFirstStartUpDialog) {
  struct Case {
    const char* name;
    QList<VideoSourceEntry> sources;
    std::function<void(QWidget*)> answer;
  };
  const Case cases[] = {
      {"no video source box",
       {},
       [](QWidget* dialog) { qobject_cast<QMessageBox*>(dialog)->button(QMessageBox::Ignore)->click(); }},
      {"source chooser", {kCam, kDoor}, [](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->accept(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.sources.isEmpty() && !GetVideoDeviceNames(true).isEmpty())
      continue;  // this machine has a video device: no box
    MessageBoxPrompts boxes;
    bool asked = false;
    bool splashOver = true;
    whenModal([&](QWidget* dialog) {
      asked = true;
      splashOver = splashShown();
      c.answer(dialog);
    });
    start(c.sources, &boxes);
    EXPECT_TRUE(asked);
    EXPECT_FALSE(splashOver);
  }
}

TEST_F(AppFixture, RetryAfterACameraIsPluggedInTakesIt) {
  if (!GetVideoDeviceNames(true).isEmpty())
    GTEST_SKIP() << "this machine has a video device";
  WatchingPrompts watching;
  watching.answers = {Answer::Retry};
  watching.plugIn = {kCam};
  TMDIParent& window = start({}, &watching);
  EXPECT_EQ(watching.shown.size(), 1);
  EXPECT_EQ(window.VideoSource(), "Cam");
}

TEST_F(AppFixture, OneSourceIsTakenWithoutAskingAndTheLogIsOpen) {
  TMDIParent& window = start({kCam});
  EXPECT_TRUE(window.startUpDone());
  EXPECT_TRUE(prompts.shown.isEmpty());
  EXPECT_EQ(window.VideoSource(), "Cam");
  EXPECT_FALSE(splashShown());
  TMotionForm* camera = window.cameraWindow();
  ASSERT_NE(camera, nullptr);
  EXPECT_EQ(camera->windowTitle(), "Cam");
  EXPECT_EQ(camera->objectName(), "Cam1");
  EXPECT_EQ(camera->property("tag").toInt(), 0);
  ASSERT_EQ(window.clientArea()->subWindowList().size(), 1);
  EXPECT_EQ(window.clientArea()->subWindowList()[0]->widget(), camera);
  EXPECT_TRUE(camera->isVisible());
  EXPECT_TRUE(camera->VideoCapture1->Previewing());
  window.writeLogEntry(QStringLiteral("Cam"), QStringLiteral("08-12-2026 21-46-10"), QStringLiteral("Test"));
  QFile log(home.file(QStringLiteral("Quorvex.log")));
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  EXPECT_EQ(log.readAll(), "[Cam]\r\n08-12-2026 21-46-10=Test\r\n");
}

TEST_F(AppFixture, SeveralSourcesAreOfferedInTheChooserAndItsTextIsTheChoice) {
  struct Case {
    const char* name;
    bool accept;
    QString expected;
  };
  for (const Case& c : {Case{"ok", true, QStringLiteral("Door")}, Case{"closed", false, QString()}}) {
    SCOPED_TRACE(c.name);
    QStringList offered;
    QString firstText;
    bool previewing = false;
    bool stoppedQuietly = false;
    TChooseVSForm* chooser = nullptr;
    whenModal([&](QWidget* dialog) {
      chooser = qobject_cast<TChooseVSForm*>(dialog);
      ASSERT_NE(chooser, nullptr);
      auto* list = chooser->findChild<QComboBox*>(QStringLiteral("ComboBox1"));
      for (int i = 0; i < list->count(); ++i) offered.append(list->itemText(i));
      firstText = list->currentText();
      // A half-typed name stops the preview without an error box per key.
      list->setEditText(QStringLiteral("Do"));
      stoppedQuietly = !chooser->VideoCapture1()->Previewing() && prompts.shown.isEmpty();
      list->setEditText(QStringLiteral("Door"));
      previewing = chooser->VideoCapture1()->Previewing() &&
                   chooser->VideoCapture1()->VideoDeviceFriendlyName() == "Door";
      c.accept ? chooser->accept() : chooser->reject();
    });
    TMDIParent& window = start({kCam, kDoor});
    EXPECT_EQ(offered, QStringList({"Cam", "Door"}));
    EXPECT_EQ(firstText, "Cam");
    EXPECT_TRUE(previewing);
    EXPECT_TRUE(stoppedQuietly);
    EXPECT_EQ(window.VideoSource(), c.expected);
    if (c.accept) {
      ASSERT_NE(window.cameraWindow(), nullptr);
      EXPECT_EQ(window.cameraWindow()->windowTitle(), "Door");
    } else {
      EXPECT_EQ(window.cameraWindow(), nullptr);
    }
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(chooser->VideoCapture1(), nullptr);  // destroyed on close
    EXPECT_TRUE(prompts.shown.isEmpty());
  }
}

TEST_F(AppFixture, AnErrorEndsTheSequenceShowsTheMessageAndTheProgramRunsOn) {
  {
    SettingsStore settings;
    ASSERT_TRUE(settings.OpenKey(applicationKey(), true));
    settings.WriteString(QStringLiteral("ConnectOnlyOnce"), QStringLiteral("yes"));
  }
  TMDIParent& window = start({kCam});
  ASSERT_EQ(prompts.shown.size(), 1);
  EXPECT_EQ(prompts.shown[0].text, "Failed to get data for 'ConnectOnlyOnce'");
  EXPECT_EQ(prompts.shown[0].caption, "Quorvex");
  EXPECT_TRUE(window.VideoSource().isEmpty());  // the sources were never looked at
  EXPECT_EQ(window.cameraWindow(), nullptr);
  EXPECT_FALSE(splashShown());
  EXPECT_TRUE(window.isVisible());
  // The log was not opened either: entries go nowhere rather than fail.
  window.writeLogEntry(QStringLiteral("Cam"), QStringLiteral("key"), QStringLiteral("value"));
  EXPECT_FALSE(QFile::exists(home.file(QStringLiteral("Quorvex.log"))));
}

TEST_F(AppFixture, ACameraKeyThatCannotBeLoadedLeavesTheCameraWindowOpen) {
  {
    SettingsStore settings;
    ASSERT_TRUE(settings.OpenKey(applicationKey() + "\\Cam", true));
    settings.WriteBool(QStringLiteral("Detect"), false);
  }
  TMDIParent& window = start({kCam});
  ASSERT_EQ(prompts.shown.size(), 1);
  EXPECT_EQ(prompts.shown[0].text, "Failed to get data for 'TimedCapture'");
  ASSERT_NE(window.cameraWindow(), nullptr);
  EXPECT_TRUE(window.cameraWindow()->isVisible());
  EXPECT_EQ(window.cameraWindow()->windowTitle(), "Cam");
  EXPECT_FALSE(splashShown());
}

TEST_F(AppFixture, ADamagedSettingsFileIsToldOnceAndTheProgramStartsOnItsDefaults) {
  QFile file(settingsFilePath());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("not a settings file, but someone's notes\n");
  file.close();
  const QString problem = SettingsStore::fileProblem(settingsFilePath());
  ASSERT_FALSE(problem.isEmpty());

  TMDIParent& window = start({kCam});
  ASSERT_EQ(prompts.shown.size(), 1);
  EXPECT_EQ(prompts.shown[0].text, problem);
  EXPECT_TRUE(window.OneConnect->isChecked());
  ASSERT_NE(window.cameraWindow(), nullptr);
  EXPECT_EQ(window.cameraWindow()->windowTitle(), "Cam");
  file.open(QIODevice::ReadOnly);
  EXPECT_EQ(file.readAll(), "not a settings file, but someone's notes\n");  // never written to
}

TEST_F(AppFixture, TheConnectionChoiceAndOptionStatesAreReadAtStart) {
  struct Case {
    const char* name;
    std::function<void(SettingsStore&)> store;
    qint32 connection, dailNum;
    bool connectOnlyOnce;
  };
  const Case cases[] = {
      {"nothing stored", [](SettingsStore&) {}, 2, -1, true},
      {"LAN without entry",
       [](SettingsStore& s) {
         s.WriteInteger(QStringLiteral("Connection"), 2);
         s.WriteBool(QStringLiteral("ConnectOnlyOnce"), false);
       },
       2, -1, false},
      {"dial-up entry 3",
       [](SettingsStore& s) {
         s.WriteInteger(QStringLiteral("Connection"), 1);
         s.WriteInteger(QStringLiteral("DailNum"), 3);
         s.WriteBool(QStringLiteral("ConnectOnlyOnce"), true);
       },
       1, 3, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempHome fresh;
    {
      SettingsStore settings;
      ASSERT_TRUE(settings.OpenKey(applicationKey(), true));
      c.store(settings);
    }
    TMDIParent& window = start({kCam});
    EXPECT_EQ(window.ConnectionType(), c.connection);
    EXPECT_EQ(window.DailNum(), c.dailNum);
    EXPECT_EQ(window.OneConnect->isChecked(), c.connectOnlyOnce);
  }
}

}  // namespace

namespace {

TEST_F(AppFixture, HeadlessSeveralSourcesTakeTheFirstAndSaySoWithoutAChooser) {
  // A chooser that did show would wait for ever: this closes it and notes it.
  bool chooserShown = false;
  QTimer guard;
  QObject::connect(&guard, &QTimer::timeout, [&] {
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      chooserShown = true;
      dialog->reject();
    }
  });
  guard.start(10);
  runOptions.headless = true;
  TMDIParent& window = start({kDoor, kCam});
  EXPECT_FALSE(chooserShown);
  EXPECT_EQ(window.VideoSource(), "Door");
  ASSERT_NE(window.cameraWindow(), nullptr);
  ASSERT_EQ(prompts.shown.size(), 1);
  EXPECT_EQ(prompts.shown[0].text,
            "2 video sources (Door, Cam): using the first, Door, as nobody can choose without a display.");
  EXPECT_EQ(prompts.shown[0].buttons, Buttons::Ok);
}

TEST_F(AppFixture, AnUnwritableProgramFolderIsToldOnceAtStartAndTheProgramRunsOn) {
  QTemporaryDir scratch;
  writeFile(scratch.filePath("plain-file"), "x");
  ReadOnlyFolder readOnly;
  const struct {
    const char* name;
    QString folder;
    bool canBeMade;
  } cases[] = {{"below a regular file", scratch.filePath("plain-file/home"), true},
               {"read-only mount", readOnly.path(), readOnly.isValid()}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.canBeMade)
      continue;  // the other case shows the behaviour
    qputenv("QUORVEX_HOME", QFile::encodeName(c.folder));
    prompts.shown.clear();
    TMDIParent& window = start({kCam});
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].text,
              "Cannot write to the folder " + c.folder +
                  ": no snapshots, no event log and no settings are saved in this run.");
    EXPECT_EQ(prompts.shown[0].icon, Prompts::Icon::Warning);
    ASSERT_NE(window.cameraWindow(), nullptr);
    window.hide();
    window.show();  // shown again: not told again
    QCoreApplication::processEvents();
    EXPECT_EQ(prompts.shown.size(), 1);
  }
  qputenv("QUORVEX_HOME", QFile::encodeName(home.path()));
}

TEST_F(AppFixture, TheEchoHasTheStartLineThenEachEntryOnce) {
  int ends[2];
  ASSERT_EQ(::pipe2(ends, O_CLOEXEC | O_NONBLOCK), 0);
  ConsoleEcho echo(ends[1]);
  runOptions.echo = &echo;
  whenModal([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->accept(); });
  TMDIParent& window = start({kCam, kDoor});

  const QString key = "Motion Captured On " + DateTimeText(clock.now());
  for (int i = 0; i < 3; ++i) window.writeLogEntry("Cam", key, "Images");  // one entry, rewritten
  window.writeLogEntry("Cam", "Device Lost on " + DateTimeText(clock.now()), "Device Events");

  QByteArray output;
  char buffer[4096];
  for (ssize_t got; (got = ::read(ends[0], buffer, sizeof buffer)) > 0;) output.append(buffer, got);
  ::close(ends[0]);
  QStringList lines = QString::fromUtf8(output).split(u'\n', Qt::SkipEmptyParts);
  // A machine without sound output (as in CI) is told right after the start line.
  lines.removeAll(QStringLiteral("No audio output device found: the sound alarm cannot be heard."));
  ASSERT_EQ(lines.size(), 3) << output.toStdString();
  EXPECT_TRUE(lines[0].startsWith("Quorvex ")) << lines[0].toStdString();
  EXPECT_TRUE(
      lines[0].contains("video sources Cam (test:snow), Door (test:ball); watching Cam, detection is off"))
      << lines[0].toStdString();
  EXPECT_EQ(lines[1], logEntryLine(clock.now(), "Cam", key, "Images"));
  EXPECT_TRUE(lines[2].endsWith("  Cam  Device Events  Device Lost on")) << lines[2].toStdString();
}

}  // namespace
