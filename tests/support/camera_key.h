#pragma once

#include <QString>

#include <map>

class SettingsStore;

// Writes the camera `caption`'s full key into `store` (flags, then integers) as a
// first close saves it, with `overrides` replacing or adding values.
void writeCameraKey(SettingsStore& store, const QString& caption,
                    const std::map<QString, qint32>& overrides = {});
