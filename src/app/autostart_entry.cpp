#include "autostart_entry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// One argument of an Exec line, per the desktop entry format: an argument holding a
// reserved character is quoted, with backslash escapes for '"', '`', '$' and '\'
// inside the quotes; '%' starts a field code, so a literal one is "%%".
QString execArgument(const QString& argument) {
  static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
  QString result;
  const bool quoted = argument.isEmpty() || std::any_of(argument.begin(), argument.end(),
                                                        [](QChar c) { return reserved.contains(c); });
  for (QChar c : argument) {
    if (quoted && (c == u'"' || c == u'`' || c == u'$' || c == u'\\'))
      result += u'\\';
    result += c;
  }
  result.replace(u'%', QStringLiteral("%%"));
  return quoted ? u'"' + result + u'"' : result;
}

// The Exec value as a string of the file format, which unescapes "\\", "\n", "\t"
// and "\r" before the Exec rules apply.
QString execValue(const QStringList& command) {
  QStringList arguments;
  for (const QString& argument : command) arguments.append(execArgument(argument));
  QString value = arguments.join(u' ');
  value.replace(u'\\', QStringLiteral("\\\\"));
  value.replace(u'\n', QStringLiteral("\\n"));
  value.replace(u'\t', QStringLiteral("\\t"));
  value.replace(u'\r', QStringLiteral("\\r"));
  return value;
}

}  // namespace

QString AutostartEntry::filePath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/autostart/Quorvex.desktop");
}

bool AutostartEntry::exists() { return QFileInfo::exists(filePath()); }

void AutostartEntry::write(const QStringList& command) {
  const QString path = filePath();
  QDir().mkpath(QFileInfo(path).path());
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    return;
  const QString entry = QStringLiteral(
                            "[Desktop Entry]\n"
                            "Type=Application\n"
                            "Name=Quorvex\n"
                            "Comment=Camera surveillance\n"
                            "Exec=%1\n"
                            "Icon=quorvex\n"
                            "Terminal=false\n")
                            .arg(execValue(command));
  file.write(entry.toUtf8());
  file.commit();
}

void AutostartEntry::remove() { QFile::remove(filePath()); }
