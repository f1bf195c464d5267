#include "app_fixture.h"
#include "base/settings_keys.h"

#include "base/settings_store.h"
#include "capture/cap_device_info.h"
#include "monitor/motion_options_panel.h"
#include "monitor/t_motion_form.h"

#include <QCheckBox>
#include <QFile>
#include <QPointer>

#include <functional>

namespace {

using Answer = Prompts::Answer;

const QString kCameraKey = cameraKey(QStringLiteral("Cam"));

bool storedBool(const TempHome& home, const QString& name) {
  SettingsStore settings(home.settingsFile());
  return settings.OpenKey(kCameraKey, false) && settings.ValueExists(name) && settings.ReadBool(name);
}

class ClosingTest : public AppFixture {
 public:
  // For the checks of the case table.
  using AppFixture::home;
  using AppFixture::windows;

 protected:
  void closeAsTheSignalDoes() {
    mainWindow().close();
    QCoreApplication::exit(0);
  }
};

// A termination signal closes the main window and quits while a box of the camera
// window waits for its answer. The box's handler must come back to a living window,
// and what the camera had is saved once it is done.
struct CloseDuringBox {
  const char* name;
  QString uri;
  QString boxText;
  Answer answer;
  std::function<void(TMotionForm&)> openBox;
  std::function<void(ClosingTest&)> afterwards;
};

TEST_F(ClosingTest, ATerminationWhileACameraBoxIsOpenLetsTheBoxReturnAndSavesTheCamera) {
  const CloseDuringBox cases[] = {
      {"device lost", QStringLiteral("gst:videotestsrc num-buffers=60"), QStringLiteral("Device Cam Lost!"),
       Answer::Ok, [](TMotionForm&) {},  // the source ends by itself
       [](ClosingTest& test) {
         QFile log(test.home.file(QStringLiteral("Quorvex.log")));
         ASSERT_TRUE(log.open(QIODevice::ReadOnly));
         EXPECT_TRUE(log.readAll().contains("Device Lost on ")) << "the handler's entry is written";
       }},
      {"no settings", QStringLiteral("test:snow"),
       QStringLiteral("No Settings!\r\rPlease run FTP Wizard\rfrom Options menu."), Answer::Ok,
       [](TMotionForm& camera) { camera.Panel1->CheckBox3->setChecked(true); },
       [](ClosingTest& test) {
         EXPECT_FALSE(storedBool(test.home, QStringLiteral("FTPImage"))) << "unchecked after the box";
       }},
      {"no mask", QStringLiteral("test:snow"), QStringLiteral("No Mask Found!\rCreate one Now?"), Answer::Yes,
       [](TMotionForm& camera) { camera.Panel1->CheckBox11->setChecked(true); },
       [](ClosingTest& test) {
         EXPECT_FALSE(test.windows().MaskForm.isVisible()) << "no editor after the close";
       }},
  };
  for (const CloseDuringBox& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPrompts boxes;
    TMDIParent& window = start({{QStringLiteral("Cam"), c.uri}}, &boxes);
    QPointer<TMotionForm> camera = window.cameraWindow();
    ASSERT_FALSE(camera.isNull());
    camera->Panel1->CheckBox9->setChecked(false);  // "Show Grid": a value of this run to be saved
    bool aliveInBox = false;
    bool closed = false;
    boxes.whileShown = [&](const Prompts::Message& message) {
      if (message.text != c.boxText || closed)
        return;
      closed = true;
      closeAsTheSignalDoes();
      aliveInBox = !camera.isNull();
    };
    boxes.answerNext(c.answer);
    c.openBox(*camera);
    ASSERT_TRUE(waitUntil([&] { return closed; }));
    EXPECT_TRUE(aliveInBox);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.cameraWindow(), nullptr);
    // Freed once its handler returned.
    ASSERT_TRUE(waitUntil([&] {
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      return camera.isNull();
    }));
    EXPECT_FALSE(storedBool(home, QStringLiteral("ShowGrid")));
    c.afterwards(*this);
    QStringList texts;
    for (const auto& message : boxes.shown) texts.append(message.text);
    EXPECT_EQ(texts, QStringList({c.boxText}));
  }
}

TEST_F(ClosingTest, ATerminationWhileAStartUpBoxIsOpenEndsTheStartUp) {
  ScriptedPrompts boxes;
  boxes.whileShown = [&](const Prompts::Message&) {
    setVideoSources({{QStringLiteral("Cam"), QStringLiteral("test:snow")}});  // plugged in meanwhile
    closeAsTheSignalDoes();
  };
  boxes.answerNext(Answer::Retry);
  if (!GetVideoDeviceNames(true).isEmpty())
    GTEST_SKIP() << "this machine has a video device";
  TMDIParent& window = start({}, &boxes);
  ASSERT_EQ(boxes.shown.size(), 1);
  EXPECT_EQ(boxes.shown[0].text, "No Video Sources Found!");
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.cameraWindow(), nullptr);
  EXPECT_TRUE(window.findChildren<TMotionForm*>().isEmpty());
}

}  // namespace
