#include "base/settings_keys.h"
#include "motion_form_fixture.h"
#include "support/camera_key.h"

#include "base/error.h"
#include "base/settings_store.h"

#include <map>

namespace {

const QString kCameraKey = cameraKey(QStringLiteral("Cam"));
const QString kNoFtp = QStringLiteral("No Settings!\r\rPlease run FTP Wizard\rfrom Options menu.");
const QString kNoEmail = QStringLiteral("No Settings!\r\rPlease run EMail Wizard\rfrom Options menu.");

// The eleven flags and seven integers a camera key holds, in their order, before
// `FitPicture`.
const char* const kFlagNames[] = {"Detect",         "TimedCapture", "CaptureImage", "FTPImage",
                                  "EMailImage",     "SoundAlarm",   "QuickDetect",  "ShowGrid",
                                  "BalloonMesages", "Mask",         "MultiEmailAtt"};
const char* const kIntegerNames[] = {"BlockSens", "MotionSens",      "XGrid",  "YGrid",
                                     "TCapRate",  "NrMultiEmailAtt", "FtpTime"};

void writeKey(const QString& settingsFile, const QString& key, const std::map<QString, qint32>& values) {
  SettingsStore store(settingsFile);
  ASSERT_TRUE(store.OpenKey(key, true));
  for (const auto& [name, value] : values) store.WriteInteger(name, value);
}

// A complete camera key as a first close would save it, with some values changed.
void writeCameraKey(const QString& settingsFile, const std::map<QString, qint32>& changed) {
  SettingsStore store(settingsFile);
  writeCameraKey(store, QStringLiteral("Cam"), changed);
}

void writeAccounts(const QString& settingsFile) {
  SettingsStore store(settingsFile);
  ASSERT_TRUE(store.OpenKey(applicationKey(), true));
  store.WriteString("FTPServer", "ftp.example.org");
  store.WriteString("EMailServer", "smtp.example.org");
}

}  // namespace

class CameraSettingsTest : public MotionFormTest {};

TEST_F(CameraSettingsTest, FirstRunAppliesTheDefaults) {
  TMotionForm& window = make(QStringLiteral("test:ball"));
  MotionOptionsPanel* p = window.Panel1;
  EXPECT_FALSE(window.DetectOnStartTimer1->isActive());
  for (QCheckBox* off : {p->CheckBox1, p->CheckBox7, p->CheckBox2, p->CheckBox3, p->CheckBox4, p->CheckBox8,
                         p->CheckBox6, p->CheckBox11, p->CheckBox12})
    EXPECT_FALSE(off->isChecked()) << off->objectName().toStdString();
  EXPECT_TRUE(p->CheckBox9->isChecked());
  EXPECT_TRUE(p->CheckBox10->isChecked());
  EXPECT_EQ(p->AdvSpinEdit1->text(), "4");
  EXPECT_EQ(p->AdvSpinEdit2->text(), "50");
  EXPECT_EQ(p->AdvSpinEdit2->maximum(), 100);
  EXPECT_EQ(window.MyMotion1->GridSensitifity(), 3);
  EXPECT_EQ(window.MyMotion1->HorzParts(), 10);
  EXPECT_EQ(window.MyMotion1->VertParts(), 10);
  EXPECT_EQ(window.MyMotion1->MotionSensitifity(), 50);
  EXPECT_FALSE(window.ImageTimer->isActive());
  EXPECT_EQ(window.ImageTimer->interval(), 30000);
  for (DispatchChannel* channel : {&window.emailChannel(), &window.ftpChannel()}) {
    EXPECT_EQ(channel->seriesLength(), 5);
    EXPECT_EQ(channel->state(), DispatchChannel::State::Idle);
  }
  EXPECT_EQ(window.EmailTimer1->interval(), 600000);
  EXPECT_EQ(window.FTPTimer1->interval(), 600000);
  EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(CameraSettingsTest, ClosingSavesTheValuesAndTheNextRunLoadsAndAppliesThem) {
  writeAccounts(paths.settingsFile);
  {
    TMotionForm& window = make(QStringLiteral("test:ball"));
    MotionOptionsPanel* p = window.Panel1;
    for (QCheckBox* on : {p->CheckBox1, p->CheckBox7, p->CheckBox2, p->CheckBox3, p->CheckBox4, p->CheckBox8,
                          p->CheckBox6, p->CheckBox12})
      on->setChecked(true);
    p->CheckBox9->setChecked(false);
    p->CheckBox10->setChecked(false);
    p->AdvSpinEdit1->setValue(6);
    p->AdvSpinEdit2->setValue(30);
    p->AdvSpinEdit3->setValue(8);
    p->AdvSpinEdit4->setValue(6);
    p->AdvSpinEdit5->setValue(45);
    p->AdvSpinEdit6->setValue(3);
    p->AdvSpinEdit7->setText("abc");  // not a number: saved as the minimum
    bool canClose = false;
    window.FormCloseQuery(canClose);
    EXPECT_TRUE(canClose);
  }
  {
    SettingsStore store(paths.settingsFile);
    ASSERT_TRUE(store.OpenKey(kCameraKey, false));
    EXPECT_EQ(store.values().size(), 19);
    EXPECT_TRUE(store.ReadBool("FitPicture"));
    for (const char* name : kFlagNames)
      EXPECT_NE(store.ReadBool(name),
                QString(name) == "ShowGrid" || QString(name) == "BalloonMesages" || QString(name) == "Mask")
          << name;
    const qint32 integers[] = {6, 30, 8, 6, 45, 3, 10};
    for (int i = 0; i < 7; ++i)
      EXPECT_EQ(store.ReadInteger(kIntegerNames[i]), integers[i]) << kIntegerNames[i];
  }
  form.reset();
  prompts.shown.clear();

  TMotionForm& window = make(QStringLiteral("test:ball"));
  MotionOptionsPanel* p = window.Panel1;
  EXPECT_TRUE(window.DetectOnStartTimer1->isActive());
  EXPECT_FALSE(p->CheckBox1->isChecked());  // turned on by the timer, 3 seconds on
  for (QCheckBox* on :
       {p->CheckBox7, p->CheckBox2, p->CheckBox3, p->CheckBox4, p->CheckBox8, p->CheckBox6, p->CheckBox12})
    EXPECT_TRUE(on->isChecked()) << on->objectName().toStdString();
  EXPECT_FALSE(p->CheckBox9->isChecked());
  EXPECT_FALSE(p->CheckBox10->isChecked());
  EXPECT_EQ(window.MyMotion1->GridSensitifity(), 6);
  EXPECT_EQ(window.MyMotion1->MotionSensitifity(), 30);
  EXPECT_EQ(window.MyMotion1->HorzParts(), 8);
  EXPECT_EQ(window.MyMotion1->VertParts(), 6);
  EXPECT_EQ(p->AdvSpinEdit2->maximum(), 48);
  EXPECT_TRUE(window.MyMotion1->QuickDetect());
  EXPECT_FALSE(window.MyMotion1->ShowGrid());
  EXPECT_TRUE(window.ImageTimer->isActive());
  EXPECT_EQ(window.ImageTimer->interval(), 45000);
  EXPECT_EQ(window.emailChannel().seriesLength(), 3);
  EXPECT_EQ(window.ftpChannel().seriesLength(), 3);
  EXPECT_EQ(window.EmailTimer1->interval(), 600000);
  EXPECT_TRUE(prompts.shown.isEmpty());

  // The timer's end turns detection on, which starts the countdown.
  EXPECT_EQ(window.DetectOnStartTimer1->interval(), 3000);
  window.DetectOnStartTimer1Timer();
  EXPECT_TRUE(p->CheckBox1->isChecked());
  EXPECT_FALSE(window.DetectOnStartTimer1->isActive());
  EXPECT_TRUE(window.DelayStart->isActive());
  EXPECT_EQ(window.statusPanelText(0), "");
}

// The one run on the window's own timers, shortened from their seconds: a stored
// Detect turns detection on, the countdown runs out, and motion is then seen.
TEST_F(CameraSettingsTest, StoredDetectArmsDetectionOnTheWindowsOwnTimers) {
  writeCameraKey(paths.settingsFile, {{"Detect", 1}});
  TMotionForm& window = make();
  ASSERT_TRUE(window.DetectOnStartTimer1->isActive());
  window.DetectOnStartTimer1->setInterval(1);
  window.DelayStart->setInterval(1);
  QStringList texts;
  QObject::connect(window.DelayStart, &QTimer::timeout, [&] { texts.append(window.statusPanelText(0)); });
  ASSERT_TRUE(waitUntil([&] { return !services.callsStartingWith("balloon").isEmpty(); }));
  EXPECT_TRUE(window.Panel1->CheckBox1->isChecked());
  EXPECT_FALSE(window.DetectOnStartTimer1->isActive());
  EXPECT_FALSE(window.DelayStart->isActive());
  EXPECT_EQ(texts, QStringList({"Detecting in 5", "Detecting in 4", "Detecting in 3", "Detecting in 2",
                                "Detecting in 1", ""}));
  EXPECT_EQ(window.statusPanelText(0), "");
}

TEST_F(CameraSettingsTest, StoredValuesAreClampedIntoTheirFields) {
  const struct {
    std::map<QString, qint32> stored;
    int blocks, motion, xGrid, yGrid, motionBound;
    int gridSensitifity;
  } cases[] = {
      {{{"XGrid", 100}}, 4, 50, 50, 10, 500, 3},
      {{{"MotionSens", 300}}, 4, 100, 10, 10, 100, 3},
      {{{"XGrid", 4}, {"YGrid", 5}}, 4, 20, 4, 5, 20, 3},
      {{{"BlockSens", 6}, {"TCapRate", 1}}, 6, 50, 10, 10, 100, 6},
      {{{"BlockSens", -7}}, 1, 50, 10, 10, 100, 1},
  };
  for (const auto& c : cases) {
    writeCameraKey(paths.settingsFile, c.stored);
    TMotionForm& window = make(QStringLiteral("test:ball"));
    MotionOptionsPanel* p = window.Panel1;
    EXPECT_EQ(p->AdvSpinEdit1->Value(), c.blocks);
    EXPECT_EQ(p->AdvSpinEdit2->Value(), c.motion);
    EXPECT_EQ(p->AdvSpinEdit3->Value(), c.xGrid);
    EXPECT_EQ(p->AdvSpinEdit4->Value(), c.yGrid);
    EXPECT_EQ(p->AdvSpinEdit2->maximum(), c.motionBound);
    EXPECT_EQ(window.MyMotion1->MotionSensitifity(), c.motion);
    EXPECT_EQ(window.MyMotion1->GridSensitifity(), c.gridSensitifity);
    EXPECT_GE(window.ImageTimer->interval(), 10000);
    form.reset();
  }
}

TEST_F(CameraSettingsTest, AValueMissingAfterDetectStopsTheLoadNamingIt) {
  writeKey(paths.settingsFile, kCameraKey, {{"Detect", 0}});
  setVideoSources({{"Cam", "test:ball"}});
  form = std::make_unique<TMotionForm>(services, prompts, clock, paths);
  form->setWindowTitle("Cam");
  try {
    form->LoadSettings("Cam");
    FAIL() << "the load went through";
  } catch (const Error& error) {
    EXPECT_EQ(error.message(), "Failed to get data for 'TimedCapture'");
  }
  EXPECT_FALSE(form->DetectOnStartTimer1->isActive());
  // The derived values follow the controls all the same.
  EXPECT_EQ(form->Panel1->AdvSpinEdit2->maximum(), 100);
  EXPECT_EQ(form->emailChannel().seriesLength(), 5);
  EXPECT_EQ(form->EmailTimer1->interval(), 600000);
}

TEST_F(CameraSettingsTest, AKeyWithoutDetectLoadsNothingAndDetectionStartsOnItsOwn) {
  writeKey(paths.settingsFile, kCameraKey, {{"TimedCapture", 1}, {"XGrid", 20}});
  TMotionForm& window = make(QStringLiteral("test:ball"));
  EXPECT_TRUE(window.DetectOnStartTimer1->isActive());
  EXPECT_FALSE(window.Panel1->CheckBox7->isChecked());
  EXPECT_EQ(window.Panel1->AdvSpinEdit3->text(), "10");
  EXPECT_TRUE(window.Panel1->CheckBox9->isChecked());
}

TEST_F(CameraSettingsTest, ConnectionSettingDecidesWhetherDeliveryBoxesStayUsable) {
  const struct {
    std::map<QString, qint32> application;
    bool usable;
  } cases[] = {{{}, true},
               {{{"Connection", 0}}, false},
               {{{"Connection", 1}, {"DailNum", -1}}, false},
               {{{"Connection", 1}, {"DailNum", 0}}, true},
               {{{"Connection", 2}, {"DailNum", -1}}, true}};
  for (const auto& c : cases) {
    writeAccounts(paths.settingsFile);
    writeKey(paths.settingsFile, applicationKey(), c.application);
    writeCameraKey(paths.settingsFile, {{"FTPImage", 1}, {"EMailImage", 1}});
    TMotionForm& window = make(QStringLiteral("test:ball"));
    for (QCheckBox* box : {window.Panel1->CheckBox3, window.Panel1->CheckBox4}) {
      EXPECT_EQ(box->isChecked(), c.usable) << box->objectName().toStdString();
      EXPECT_EQ(box->isEnabled(), c.usable) << box->objectName().toStdString();
    }
    EXPECT_TRUE(prompts.shown.isEmpty());
    form.reset();
    SettingsStore store(paths.settingsFile);
    ASSERT_TRUE(store.OpenKey(applicationKey(), false));
    store.DeleteValue("Connection");
    store.DeleteValue("DailNum");
  }

  writeKey(paths.settingsFile, applicationKey(), {{"Connection", 1}});  // dial-up without an entry number
  setVideoSources({{"Cam", "test:ball"}});
  form = std::make_unique<TMotionForm>(services, prompts, clock, paths);
  EXPECT_THROW(
      {
        try {
          form->LoadSettings("Cam");
        } catch (const Error& error) {
          EXPECT_EQ(error.message(), "Failed to get data for 'DailNum'");
          throw;
        }
      },
      Error);
}

TEST_F(CameraSettingsTest, DeliveryBoxesNeedTheirAccount) {
  writeCameraKey(paths.settingsFile, {{"FTPImage", 1}});  // checked at start-up without an FTP account
  TMotionForm& window = make(QStringLiteral("test:ball"));
  MotionOptionsPanel* p = window.Panel1;
  ASSERT_EQ(shownTexts(), QStringList({kNoFtp}));
  EXPECT_EQ(prompts.shown[0].helpContext, 22);
  EXPECT_EQ(prompts.shown[0].icon, Prompts::Icon::Error);
  EXPECT_FALSE(p->CheckBox3->isChecked());

  p->CheckBox4->setChecked(true);
  EXPECT_EQ(shownTexts(), QStringList({kNoFtp, kNoEmail}));
  EXPECT_FALSE(p->CheckBox4->isChecked());

  writeAccounts(paths.settingsFile);
  p->CheckBox3->setChecked(true);
  p->CheckBox4->setChecked(true);
  EXPECT_TRUE(p->CheckBox3->isChecked());
  EXPECT_TRUE(p->CheckBox4->isChecked());
  EXPECT_EQ(prompts.shown.size(), 2);
}
