#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <dlfcn.h>

// The launcher's test plugins of this build, put in a wizard's place in a folder.
enum class TestPlugin { ValueWriter, NoEntry };

inline bool placePlugin(TestPlugin plugin, const QString& folder, const QString& relativePath) {
  const QString built = plugin == TestPlugin::ValueWriter ? QStringLiteral(QUORVEX_VALUE_WRITER_PLUGIN)
                                                          : QStringLiteral(QUORVEX_NO_ENTRY_PLUGIN);
  const QString target = QDir(folder).filePath(relativePath);
  return QDir().mkpath(QFileInfo(target).path()) && QFile::copy(built, target);
}

// Whether the library at `path` is loaded in this process now.
inline bool isLoaded(const QString& path) {
  void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_NOLOAD);
  if (handle)
    dlclose(handle);
  return handle != nullptr;
}
