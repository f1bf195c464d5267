#include "camera_values.h"
#include "base/settings_keys.h"

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

CameraValues::CameraValues(MotionOptionsPanel& panel, QAction& fitPicture, const QString& settingsFile)
    : m_panel(panel), m_fitPicture(fitPicture), m_settingsFile(settingsFile) {
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

void CameraValues::load(const QString& caption, QTimer& detectOnStart) {
  SettingsStore store(m_settingsFile);
  const QString key = cameraKey(caption);
  if (!store.KeyExists(key)) {
    applyDefaults(detectOnStart);
    ownAll();
  } else if (store.OpenKey(key, false)) {
    if (store.ValueExists(kDetect))
      read(store, detectOnStart);
    else
      ownAll();  // nothing to load: the close writes the key whole
  }
  applyConnectionRule(store);
}

void CameraValues::applyDefaults(QTimer& detectOnStart) {
  detectOnStart.stop();
  MotionOptionsPanel& p = m_panel;
  for (QCheckBox* off : {p.CheckBox7, p.CheckBox2, p.CheckBox3, p.CheckBox4, p.CheckBox8, p.CheckBox6})
    off->setChecked(false);
  for (QCheckBox* on : {p.CheckBox9, p.CheckBox10}) on->setChecked(true);
  for (QCheckBox* off : {p.CheckBox11, p.CheckBox12}) off->setChecked(false);
}

// Without an Internet connection nothing can be delivered.
void CameraValues::applyConnectionRule(SettingsStore& store) {
  store.CloseKey();
  if (!store.OpenKey(applicationKey(), true) || !store.ValueExists(QStringLiteral("Connection")))
    return;
  const qint32 connection = store.ReadInteger(QStringLiteral("Connection"));
  if (connection != 0 && (connection != 1 || store.ReadInteger(QStringLiteral("DailNum")) >= 0))
    return;
  for (QCheckBox* box : {m_panel.CheckBox3, m_panel.CheckBox4}) {
    box->setChecked(false);
    box->setEnabled(false);
  }
}

void CameraValues::save(const QString& caption, std::optional<bool> detect) const {
  SettingsStore store(m_settingsFile);
  if (!store.OpenKey(cameraKey(caption), true))
    return;
  write(store);
  if (detect)
    store.WriteBool(kDetect, *detect);
}
