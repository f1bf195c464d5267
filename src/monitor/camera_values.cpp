#include "camera_values.h"

#include "base/settings_store.h"
#include "monitor/motion_options_panel.h"
#include "monitor/spin_edit.h"

#include <QAction>
#include <QCheckBox>
#include <QTimer>

#include <utility>

namespace {

// After `Detect`, which loads into a timer and saves from "Detect Motion".
const std::pair<const char*, QCheckBox * MotionOptionsPanel::*> kFlags[] = {
    {"TimedCapture", &MotionOptionsPanel::CheckBox7}, {"CaptureImage", &MotionOptionsPanel::CheckBox2},
    {"FTPImage", &MotionOptionsPanel::CheckBox3},     {"EMailImage", &MotionOptionsPanel::CheckBox4},
    {"SoundAlarm", &MotionOptionsPanel::CheckBox8},   {"QuickDetect", &MotionOptionsPanel::CheckBox6},
    {"ShowGrid", &MotionOptionsPanel::CheckBox9},     {"BalloonMesages", &MotionOptionsPanel::CheckBox10},
    {"Mask", &MotionOptionsPanel::CheckBox11},        {"MultiEmailAtt", &MotionOptionsPanel::CheckBox12}};
const std::pair<const char*, SpinEdit * MotionOptionsPanel::*> kIntegers[] = {
    {"BlockSens", &MotionOptionsPanel::AdvSpinEdit1}, {"MotionSens", &MotionOptionsPanel::AdvSpinEdit2},
    {"XGrid", &MotionOptionsPanel::AdvSpinEdit3},     {"YGrid", &MotionOptionsPanel::AdvSpinEdit4},
    {"TCapRate", &MotionOptionsPanel::AdvSpinEdit5},  {"NrMultiEmailAtt", &MotionOptionsPanel::AdvSpinEdit6},
    {"FtpTime", &MotionOptionsPanel::AdvSpinEdit7}};

const QString kDetect = QStringLiteral("Detect");
const QString kFitPicture = QStringLiteral("FitPicture");

}  // namespace

QString cameraKey(const QString& caption) {
  return QStringLiteral("\\Software\\Brennova\\Settings\\") + caption;
}

void readCameraValues(const SettingsStore& store, MotionOptionsPanel& panel, QAction& fitPicture,
                      QTimer& detectOnStart) {
  if (store.ReadBool(kDetect))
    detectOnStart.start();
  else
    detectOnStart.stop();
  for (const auto& [name, box] : kFlags) (panel.*box)->setChecked(store.ReadBool(QLatin1String(name)));
  for (const auto& [name, field] : kIntegers)
    (panel.*field)->setValue(store.ReadInteger(QLatin1String(name)));
  if (store.ValueExists(kFitPicture))
    fitPicture.setChecked(store.ReadBool(kFitPicture));
}

void writeCameraValues(SettingsStore& store, const MotionOptionsPanel& panel, const QAction& fitPicture) {
  store.WriteBool(kDetect, panel.CheckBox1->isChecked());
  for (const auto& [name, box] : kFlags) store.WriteBool(QLatin1String(name), (panel.*box)->isChecked());
  for (const auto& [name, field] : kIntegers)
    store.WriteInteger(QLatin1String(name), (panel.*field)->Value());
  store.WriteBool(kFitPicture, fitPicture.isChecked());
}
