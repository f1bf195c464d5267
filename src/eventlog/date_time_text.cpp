#include "eventlog/date_time_text.h"

namespace {

// What the locale's long time pattern says about the clock; literal text in quotes
// does not count.
struct ClockStyle {
  bool leadingZero = false;
  bool twelveHour = false;
  bool markerFirst = false;
};

ClockStyle clockStyle(const QString& pattern) {
  ClockStyle style;
  qsizetype hourAt = -1;
  qsizetype markerAt = -1;
  bool quoted = false;
  for (qsizetype i = 0; i < pattern.size(); ++i) {
    const QChar c = pattern.at(i);
    if (c == u'\'') {
      quoted = !quoted;
    } else if (quoted) {
      continue;
    } else if ((c == u'h' || c == u'H') && hourAt < 0) {
      hourAt = i;
      style.leadingZero = i + 1 < pattern.size() && pattern.at(i + 1) == c;
    } else if ((c == u'a' || c == u'A') && markerAt < 0) {
      markerAt = i;
    }
  }
  style.twelveHour = markerAt >= 0;
  style.markerFirst = style.twelveHour && hourAt >= 0 && markerAt < hourAt;
  return style;
}

}  // namespace

QString DateTimeText(const QDateTime& dateTime, const QLocale& locale) {
  const QTime time = dateTime.time();
  if (time.hour() == 0 && time.minute() == 0 && time.second() == 0)
    return dateText(dateTime.date(), locale);
  return dateText(dateTime.date(), locale) + u' ' + timeText(time, locale);
}

QString dateText(const QDate& date, const QLocale& locale) {
  return locale.toString(date, locale.dateFormat(QLocale::ShortFormat).replace(u'/', u'-'));
}

QString timeText(const QTime& time, const QLocale& locale) {
  const ClockStyle style = clockStyle(locale.timeFormat(QLocale::LongFormat));
  int hour = time.hour();
  if (style.twelveHour)
    hour = hour % 12 == 0 ? 12 : hour % 12;
  // Formatting through QLocale keeps the locale's digits, like the date half.
  const QString clock =
      locale.toString(QTime(hour, time.minute(), time.second()),
                      style.leadingZero ? QStringLiteral("hh-mm-ss") : QStringLiteral("h-mm-ss"));
  if (!style.twelveHour)
    return clock;
  const QString marker = time.hour() < 12 ? locale.amText() : locale.pmText();
  return style.markerFirst ? marker + u' ' + clock : clock + u' ' + marker;
}
