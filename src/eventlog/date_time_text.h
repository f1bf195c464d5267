#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// The date-time text of event log keys, snapshot names and stamps: the locale's
// short date and long time, with "-" as date and time separator.

// The date, then one blank and the time unless the time of day is 00:00:00.
QString DateTimeText(const QDateTime& dateTime, const QLocale& locale = QLocale());

// The locale's short date pattern with each "/" written as "-".
QString dateText(const QDate& date, const QLocale& locale = QLocale());

// Hour "-" minutes "-" seconds, on the locale's clock (12 or 24 hours, leading zero
// of the hour as its long time pattern has it), with its AM/PM text where it puts it.
QString timeText(const QTime& time, const QLocale& locale = QLocale());
