#pragma once

#include "app/program_windows.h"
#include "capture/video_source.h"
#include "support/event_loop.h"
#include "support/fixed_clock.h"
#include "support/scripted_prompts.h"
#include "support/temp_home.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// The program's windows on a temporary home and configuration folder, with the
// given video sources, scripted message boxes and a fixed clock.
class AppFixture : public ::testing::Test {
 protected:
  // No system bus, so that the machine's own dial-up connections stay out of the
  // tests; a test that wants some starts a NetworkManagerMock.
  AppFixture()
      : m_previousConfig(qgetenv("XDG_CONFIG_HOME")), m_previousBus(qgetenv("DBUS_SYSTEM_BUS_ADDRESS")) {
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + m_config.filePath("no-bus").toUtf8());
  }
  ~AppFixture() override {
    m_windows.reset();
    setVideoSources({});
    qputenv("XDG_CONFIG_HOME", m_previousConfig);
    if (m_previousBus.isEmpty())
      qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    else
      qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_previousBus);
  }

  // Makes the windows and shows the main window, which runs the start-up sequence.
  TMDIParent& start(const QList<VideoSourceEntry>& sources, Prompts* with = nullptr) {
    setVideoSources(sources);
    m_windows = std::make_unique<ProgramWindows>(with ? *with : prompts, clock, paths);
    windows().MDIParent.setRunOptions(runOptions);
    if (displayShown)
      windows().MDIParent.setDisplayAvailability([] { return true; });
    windows().MDIParent.show();
    QCoreApplication::processEvents();  // the queued start-up sequence
    return windows().MDIParent;
  }

  ProgramWindows& windows() { return *m_windows; }
  TMDIParent& mainWindow() { return m_windows->MDIParent; }
  QString configPath() const { return m_config.path(); }

  // Runs the action on the next modal dialog once it is up (the start-up and the
  // menu commands wait in its event loop).
  static void whenModal(std::function<void(QWidget*)> action) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, action = std::move(action)] {
      if (QWidget* dialog = QApplication::activeModalWidget()) {
        poll->stop();
        poll->deleteLater();
        action(dialog);
      }
    });
    poll->start(10);
  }

  TempHome home;
  ProgramPaths paths = home.paths();  // handed to the windows by start()
  ScriptedPrompts prompts;
  FixedClock clock;
  TMDIParent::RunOptions runOptions;  // applied by start()
  // Whether start() has the main window act as on a display (the first-run chooser is
  // then shown), though the tests run on the offscreen platform.
  bool displayShown = false;

 private:
  QTemporaryDir m_config;
  QByteArray m_previousConfig;
  QByteArray m_previousBus;
  std::unique_ptr<ProgramWindows> m_windows;
};
