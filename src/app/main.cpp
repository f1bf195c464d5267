// Quorvex: the program start. Reads the command line, makes the windows and runs
// the main window until it closes.
#include "app/command_line.h"
#include "app/console_echo.h"
#include "app/headless_prompts.h"
#include "app/message_box_prompts.h"
#include "app/program_windows.h"
#include "app/termination_signals.h"
#include "base/clock.h"
#include "base/error.h"
#include "base/program_paths.h"
#include "capture/video_source.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include <gst/gst.h>

#include <csignal>
#include <cstdio>
#include <memory>

namespace {

constexpr int kBadArguments = 2;

// A build run from its build folder plays the alarm sound it made, as an
// installed one plays the shipped copy.
void provideBuiltAlertWav(const ProgramPaths& paths) {
  const QString built = QStringLiteral(QUORVEX_BUILD_DATA_DIR "/alert.wav");
  if (paths.findAsset(QStringLiteral("alert.wav")).isEmpty() && QFile::exists(built))
    QFile::copy(built, paths.programFolder + QStringLiteral("alert.wav"));
}

// Without a display nobody sees a message box.
bool headless() {
  const QString platform = QGuiApplication::platformName();
  return platform == QStringLiteral("offscreen") || platform == QStringLiteral("minimal");
}

}  // namespace

int main(int argc, char** argv) {
  // A reader of the output that goes away must not end the program; writes then fail.
  std::signal(SIGPIPE, SIG_IGN);
  gst_init(&argc, &argv);

  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
  CommandLine commandLine;
  try {
    commandLine = CommandLine::parse(arguments);
  } catch (const Error& error) {
    std::fprintf(stderr, "%s\n%s\n", error.what(), CommandLine::usage().toLocal8Bit().constData());
    return kBadArguments;
  }
  if (commandLine.action == CommandLine::Action::ShowHelp) {
    std::fputs(CommandLine::help().toLocal8Bit().constData(), stdout);
    return 0;
  }
  if (commandLine.action == CommandLine::Action::ShowVersion) {
    std::puts("Quorvex " QUORVEX_VERSION);
    return 0;
  }
  // A home given by the environment is kept as --home for "Run at Startup".
  if (commandLine.home.isEmpty() && !qEnvironmentVariableIsEmpty("QUORVEX_HOME"))
    commandLine.home = QDir(qEnvironmentVariable("QUORVEX_HOME")).absolutePath();
  // The setup wizard plugins take their settings from the environment, as they have no arguments.
  if (!commandLine.home.isEmpty())
    qputenv("QUORVEX_HOME", QFile::encodeName(QDir(commandLine.home).absolutePath()));
  setVideoSources(commandLine.sources);

  // Only Qt's options are left for QApplication; it keeps the strings it is given.
  std::vector<QByteArray> qtArguments;
  for (const QString& argument : commandLine.qtArguments) qtArguments.push_back(argument.toLocal8Bit());
  std::vector<char*> qtArgv;
  for (QByteArray& argument : qtArguments) qtArgv.push_back(argument.data());
  qtArgv.push_back(nullptr);
  int qtArgc = static_cast<int>(qtArguments.size());

  QApplication app(qtArgc, qtArgv.data());
  QApplication::setApplicationName(QStringLiteral("Quorvex"));
  QApplication::setApplicationVersion(QStringLiteral(QUORVEX_VERSION));
  // The program ends when the main window closes, not when the last window hides.
  QApplication::setQuitOnLastWindowClosed(false);
  const ProgramPaths paths = ProgramPaths::locate(commandLine.home);
  provideBuiltAlertWav(paths);

  const std::unique_ptr<ConsoleEcho> echo = ConsoleEcho::takeStandardOutput();
  const bool noDisplay = headless();
  SystemClock clock;
  MessageBoxPrompts messageBoxes;
  HeadlessPrompts lines(clock);
  Prompts& prompts = noDisplay ? static_cast<Prompts&>(lines) : messageBoxes;
  ProgramWindows windows(prompts, clock, paths);
  windows.MDIParent.setRunOptions({noDisplay, echo.get(), commandLine.ownArguments()});
  QObject::connect(&windows.MDIParent, &TMDIParent::closed, &app, &QApplication::quit, Qt::QueuedConnection);

  // A logout or a service stop closes the main window as "Exit" does; should the
  // close be refused, the program ends anyway. exit() rather than quit(): quit()
  // first asks every window to close, and an open message box without an escape
  // button refuses, which would keep the program waiting for an answer.
  TerminationSignals termination;
  QObject::connect(&termination, &TerminationSignals::received, &app, [&windows] {
    windows.MDIParent.close();
    QCoreApplication::exit(0);
  });

  windows.MDIParent.show();
  return QApplication::exec();
}
