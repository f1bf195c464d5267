#pragma once

#include "base/program_paths.h"

#include <QString>

#include <functional>
#include <memory>

class AppServices;
class Clock;
class FalseAlarmValues;
class MotionEventGate;
class MotionOptionsPanel;
class MyMotion;
class PictureRetention;
class Prompts;
class QObject;
class QTimer;
class SnapshotPacer;
class WindowHandlers;

// The camera window's rules between a detection and its actions, and for the disk
// its snapshots fill: the light-switch and minimum-frames filter, the spacing of
// motion snapshots, and the retention of old days, run before each snapshot and
// every 10 minutes. Their values are the "Filters" fields of the options panel.
class MotionRules {
 public:
  struct Window {
    std::function<void()> motionEvent;                // the motion actions
    std::function<QString()> caption;                 // the log section
    std::function<void(const QString& text)> notice;  // the low-disk notice, empty when over
  };

  // The settings and the picture folder are those of `paths`; entries go to the
  // event log of `services`.
  MotionRules(MyMotion& detector, MotionOptionsPanel& panel, AppServices& services, const Clock& clock,
              const ProgramPaths& paths, WindowHandlers& handlers, QObject& timerParent, Window window);
  ~MotionRules();

  // After each pass of the detector: runs the motion actions, or logs
  // "Light Change on ", as the filter judges it.
  void passDone();
  // Detection was switched: motion seen before no longer counts.
  void restart();
  // Whether a motion snapshot may be taken now (counted as taken).
  bool snapshotDue();
  // Before a snapshot into the picture folder `root`: deletes old days as needed.
  void beforeSnapshot(const QString& root);

  void load(const QString& caption, Prompts& prompts);
  void save(const QString& caption) const;
  void stop();  // the window ends: no more retention ticks

  QTimer* retentionTimer() const { return m_retentionTimer; }

 private:
  void log(const QString& key, const QString& value);

  AppServices& m_services;
  Window m_window;
  std::unique_ptr<MotionEventGate> m_gate;
  std::unique_ptr<SnapshotPacer> m_pacer;
  std::unique_ptr<PictureRetention> m_retention;
  std::unique_ptr<FalseAlarmValues> m_values;
  QTimer* m_retentionTimer;
};
