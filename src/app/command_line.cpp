#include "command_line.h"

#include "base/error.h"

#include <QDir>

namespace {

// Qt's own command-line options: those followed by a value, and flags.
const QStringList kQtValueOptions = {
    "platform",    "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "style",  "stylesheet",
    "display",     "geometry",           "title",         "name"};
const QStringList kQtFlags = {"reverse", "widgetcount", "nograb", "dograb", "sync", "testability"};

// Qt takes its options with one or two dashes.
QString optionName(const QString& argument) {
  QString name = argument.mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1);
  return name.left(name.indexOf(u'='));
}

}  // namespace

CommandLine CommandLine::parse(const QStringList& arguments) {
  CommandLine result;
  result.qtArguments.append(arguments.value(0, QStringLiteral("quorvex")));
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    // "--option=value" or "--option value"; a value that is itself an option is missing.
    auto value = [&](const QString& what) {
      const qsizetype equals = argument.indexOf(u'=');
      if (equals > 0)
        return argument.mid(equals + 1);
      if (i + 1 >= arguments.size() || arguments[i + 1].startsWith(QStringLiteral("--")))
        throw Error(QStringLiteral("%1 needs %2").arg(argument, what));
      return arguments[++i];
    };
    const QString name = argument.startsWith(u'-') ? optionName(argument) : QString();
    if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h")) {
      result.action = Action::ShowHelp;
    } else if (argument == QStringLiteral("--version")) {
      result.action = Action::ShowVersion;
    } else if (argument == QStringLiteral("--home") || argument.startsWith(QStringLiteral("--home="))) {
      const QString folder = value(QStringLiteral("a folder"));
      if (folder.isEmpty())
        throw Error(QStringLiteral("--home needs a folder"));
      result.home = QDir::cleanPath(QDir(folder).absolutePath());
    } else if (argument == QStringLiteral("--source") || argument.startsWith(QStringLiteral("--source="))) {
      result.sources.append(VideoSourceEntry::parse(value(QStringLiteral("NAME=URI"))));
    } else if (kQtFlags.contains(name) && !argument.contains(u'=')) {
      result.qtArguments.append(argument);
    } else if (kQtValueOptions.contains(name)) {
      // Qt reads "-option value" only, so "-option=value" is passed on split in two.
      const QString given = value(QStringLiteral("a value"));
      result.qtArguments.append(u'-' + name);
      result.qtArguments.append(given);
    } else if (name == QStringLiteral("qmljsdebugger") && argument.contains(u'=')) {
      result.qtArguments.append(argument);
    } else {
      throw Error(QStringLiteral("Unknown argument \"%1\"").arg(argument));
    }
  }
  return result;
}

QStringList CommandLine::ownArguments() const {
  QStringList own;
  if (!home.isEmpty())
    own << QStringLiteral("--home") << home;
  for (const VideoSourceEntry& source : sources)
    own << QStringLiteral("--source") << source.name + u'=' + source.uri;
  return own;
}

QString CommandLine::usage() {
  return QStringLiteral(
      "Usage: quorvex [--home DIR] [--source NAME=URI]... [Qt options such as -platform offscreen]");
}

QString CommandLine::help() {
  return usage() + QStringLiteral(
                       "\n\n"
                       "Watches one camera for motion and acts on it.\n\n"
                       "  --home DIR         keep the program folder and the settings under DIR\n"
                       "  --source NAME=URI  list this video source instead of the system's cameras;\n"
                       "                     repeatable. URI: demo:, test:PATTERN, file:///..., rtsp://...,\n"
                       "                     http(s)://..., v4l2:///dev/videoN, gst:PIPELINE\n"
                       "  --help             show this text\n"
                       "  --version          show the version\n\n"
                       "Without a display, -platform offscreen runs it headless: messages go to standard\n"
                       "error and are answered with their default button; standard output carries one\n"
                       "start line and one line per event log entry.\n");
}
