// Quorvex: the program start. Reads --home and --source, makes the windows and
// runs the main window until it closes.
#include "app/message_box_prompts.h"
#include "app/program_windows.h"
#include "app/termination_signals.h"
#include "base/clock.h"
#include "base/error.h"
#include "base/program_folder.h"
#include "capture/video_source.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include <gst/gst.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr int kBadArguments = 2;

void usage(const char* message) {
  std::fprintf(
      stderr,
      "%s\nUsage: quorvex [--home DIR] [--source NAME=URI]... [Qt options such as -platform offscreen]\n",
      message);
}

// A build run from its build folder plays the alarm sound it made, as an
// installed one plays the shipped copy.
void provideBuiltAlertWav() {
  const QString built = QStringLiteral(QUORVEX_BUILD_DATA_DIR "/alert.wav");
  if (findAsset(QStringLiteral("alert.wav")).isEmpty() && QFile::exists(built))
    QFile::copy(built, programFolder() + QStringLiteral("alert.wav"));
}

}  // namespace

int main(int argc, char** argv) {
  gst_init(&argc, &argv);

  // --home must be in place before anything asks for the program folder.
  QList<VideoSourceEntry> sources;
  for (int i = 1; i < argc; ++i) {
    const bool home = std::strcmp(argv[i], "--home") == 0;
    const bool source = std::strcmp(argv[i], "--source") == 0;
    if (!home && !source)
      continue;
    if (i + 1 >= argc) {
      usage(home ? "--home needs a folder" : "--source needs NAME=URI");
      return kBadArguments;
    }
    const QString value = QString::fromLocal8Bit(argv[++i]);
    if (home) {
      qputenv("QUORVEX_HOME", QDir(value).absolutePath().toLocal8Bit());
    } else {
      try {
        sources.append(VideoSourceEntry::parse(value));
      } catch (const Error& error) {
        usage(error.what());
        return kBadArguments;
      }
    }
  }
  setVideoSources(sources);

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quorvex"));
  // The program ends when the main window closes, not when the last window hides.
  QApplication::setQuitOnLastWindowClosed(false);
  provideBuiltAlertWav();

  MessageBoxPrompts prompts;
  SystemClock clock;
  ProgramWindows windows(prompts, clock);
  QObject::connect(&windows.MDIParent, &TMDIParent::closed, &app, &QApplication::quit, Qt::QueuedConnection);

  // A logout or a service stop closes the main window as "Exit" does; should the
  // close be refused, the program ends anyway.
  TerminationSignals termination;
  QObject::connect(&termination, &TerminationSignals::received, &app, [&windows] {
    windows.MDIParent.close();
    QApplication::quit();
  });

  windows.MDIParent.show();
  return QApplication::exec();
}
