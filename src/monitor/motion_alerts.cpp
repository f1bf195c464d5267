#include "motion_alerts.h"

#include "base/app_services.h"
#include "base/clock.h"
#include "eventlog/date_time_text.h"
#include "monitor/motion_options_panel.h"

#include <QCheckBox>

MotionAlerts::MotionAlerts(AppServices& services, const Clock& clock, const MotionOptionsPanel& panel)
    : m_services(services), m_clock(clock), m_panel(panel) {}

void MotionAlerts::showBalloon(const QString& caption) {
  if (!m_panel.CheckBox10->isChecked())
    return;
  const QString text = QStringLiteral("Motion Detected on ") + caption + QStringLiteral("\rAt : ") +
                       timeText(m_clock.now().time());
  m_services.showBalloon(QStringLiteral("Quorvex").left(63), text.left(255));
}

bool MotionAlerts::soundAlarm() {
  if (m_services.AlarmSounding() || !m_panel.CheckBox8->isChecked())
    return false;
  m_services.PlaySoundAlarm();
  return true;
}
