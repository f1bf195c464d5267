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

CameraValues::CameraValues(MotionOptionsPanel& panel, QAction& fitPicture)
    : m_panel(panel), m_fitPicture(fitPicture) {
  const auto ownOnChange = [this](auto* control, auto signal, const QString& name) {
    QObject::connect(control, signal, control, [this, name] {
      if (m_tracking)
        own(name);
    });
  };
  ownOnChange(panel.CheckBox1, &QCheckBox::toggled, kDetect);
  for (const auto& [name, box] : kFlags) ownOnChange(panel.*box, &QCheckBox::toggled, QLatin1String(name));
  for (const auto& [name, field] : kIntegers)
    ownOnChange(panel.*field, &SpinEdit::textChanged, QLatin1String(name));
  ownOnChange(&fitPicture, &QAction::toggled, kFitPicture);
}

void CameraValues::own(const QString& name) { m_owned.insert(name); }

void CameraValues::ownAll() {
  own(kDetect);
  for (const auto& flag : kFlags) own(QLatin1String(flag.first));
  for (const auto& integer : kIntegers) own(QLatin1String(integer.first));
  own(kFitPicture);
}

void CameraValues::read(const SettingsStore& store, QTimer& detectOnStart) {
  const bool detect = store.ReadBool(kDetect);
  own(kDetect);
  if (detect)
    detectOnStart.start();
  else
    detectOnStart.stop();
  for (const auto& [name, box] : kFlags) {
    const bool checked = store.ReadBool(QLatin1String(name));
    own(QLatin1String(name));  // before the box's handler, which may ask the user
    (m_panel.*box)->setChecked(checked);
  }
  for (const auto& [name, field] : kIntegers) {
    const qint32 value = store.ReadInteger(QLatin1String(name));
    own(QLatin1String(name));
    (m_panel.*field)->setValue(value);
  }
  if (!store.ValueExists(kFitPicture))
    return;
  const bool fit = store.ReadBool(kFitPicture);
  own(kFitPicture);
  m_fitPicture.setChecked(fit);
}

void CameraValues::write(SettingsStore& store) const {
  if (m_owned.contains(kDetect))
    store.WriteBool(kDetect, m_panel.CheckBox1->isChecked());
  for (const auto& [name, box] : kFlags)
    if (m_owned.contains(QLatin1String(name)))
      store.WriteBool(QLatin1String(name), (m_panel.*box)->isChecked());
  for (const auto& [name, field] : kIntegers)
    if (m_owned.contains(QLatin1String(name)))
      store.WriteInteger(QLatin1String(name), (m_panel.*field)->Value());
  if (m_owned.contains(kFitPicture))
    store.WriteBool(kFitPicture, m_fitPicture.isChecked());
}
