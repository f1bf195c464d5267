#include "motion_rules.h"

#include "base/app_services.h"
#include "base/clock.h"
#include "eventlog/date_time_text.h"
#include "monitor/false_alarm_values.h"
#include "monitor/motion_event_gate.h"
#include "monitor/picture_folder.h"
#include "monitor/picture_retention.h"
#include "monitor/snapshot_pacer.h"
#include "monitor/window_handlers.h"

#include <QTimer>

#include <utility>

MotionRules::MotionRules(MyMotion& detector, MotionOptionsPanel& panel, AppServices& services,
                         const Clock& clock, const ProgramPaths& paths, WindowHandlers& handlers,
                         QObject& timerParent, Window window)
    : m_services(services),
      m_window(std::move(window)),
      m_gate(std::make_unique<MotionEventGate>(
          detector,
          // Inside the frame pipeline: an error ends the motion event without a word.
          handlers.silentSlot([this] { m_window.motionEvent(); }),
          [this, &clock] {
            log(QStringLiteral("Light Change on ") + DateTimeText(clock.now()),
                QStringLiteral("Device Events"));
          })),
      m_pacer(std::make_unique<SnapshotPacer>(clock)),
      m_retention(std::make_unique<PictureRetention>(
          clock, [this](const QString& key, const QString& value) { log(key, value); }, m_window.notice)),
      m_values(std::make_unique<FalseAlarmValues>(panel, m_gate->filter(), *m_pacer, *m_retention,
                                                  paths.settingsFile)),
      m_retentionTimer(new QTimer(&timerParent)) {
  m_retentionTimer->setObjectName(QStringLiteral("RetentionTimer"));
  m_retentionTimer->setInterval(10 * 60 * 1000);
  QObject::connect(m_retentionTimer, &QTimer::timeout, m_retentionTimer, handlers.slot([this, paths] {
    beforeSnapshot(PictureFolder::fromSettings(paths).root());
  }));
  m_retentionTimer->start();
}

MotionRules::~MotionRules() = default;

void MotionRules::passDone() { m_gate->passDone(); }

void MotionRules::restart() { m_gate->restart(); }

bool MotionRules::snapshotDue() { return m_pacer->due(); }

void MotionRules::beforeSnapshot(const QString& root) { m_retention->tidy(root); }

void MotionRules::load(const QString& caption, Prompts& prompts) { m_values->load(caption, prompts); }

void MotionRules::save(const QString& caption) const { m_values->save(caption); }

void MotionRules::log(const QString& key, const QString& value) {
  m_services.writeLogEntry(m_window.caption(), key, value);
}

void MotionRules::stop() { m_retentionTimer->stop(); }
