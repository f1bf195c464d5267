#include "camera_key.h"

#include "base/settings_keys.h"
#include "base/settings_store.h"

#include <gtest/gtest.h>

void writeCameraKey(SettingsStore& store, const QString& caption,
                    const std::map<QString, qint32>& overrides) {
  const std::pair<const char*, qint32> defaults[] = {
      {"Detect", 0},          {"TimedCapture", 0}, {"CaptureImage", 0},  {"FTPImage", 0},
      {"EMailImage", 0},      {"SoundAlarm", 0},   {"QuickDetect", 0},   {"ShowGrid", 1},
      {"BalloonMesages", 1},  {"Mask", 0},         {"MultiEmailAtt", 0}, {"BlockSens", 4},
      {"MotionSens", 50},     {"XGrid", 10},       {"YGrid", 10},        {"TCapRate", 30},
      {"NrMultiEmailAtt", 5}, {"FtpTime", 10}};
  ASSERT_TRUE(store.OpenKey(cameraKey(caption), true));
  std::map<QString, qint32> remaining = overrides;
  for (const auto& [name, value] : defaults) {
    const auto own = remaining.find(QLatin1String(name));
    store.WriteInteger(QLatin1String(name), own == remaining.end() ? value : own->second);
    if (own != remaining.end())
      remaining.erase(own);
  }
  for (const auto& [name, value] : remaining) store.WriteInteger(name, value);
}
