#include "eventlog/date_time_text.h"

#include "support/fixed_clock.h"

#include <gtest/gtest.h>

namespace {

struct TimeCase {
  const char* locale;
  QTime time;
  const char* expected;
};

// Locales as Qt 6.4 gives them: en_US "h:mm:ss AP", en_AU the same with "am"/"pm",
// en_GB and de_DE "HH:mm:ss", ko_KR "AP h시 m분 s초" (marker first), zh_CN
// "t HH:mm:ss", eo_001 "H-'a' 'horo'..." (a quoted "a" is no AM/PM marker).
const TimeCase kTimeCases[] = {
    {"en_US", QTime(21, 46, 10), "9-46-10 PM"},   {"en_US", QTime(9, 5, 7), "9-05-07 AM"},
    {"en_US", QTime(0, 5, 0), "12-05-00 AM"},     {"en_US", QTime(12, 0, 0), "12-00-00 PM"},
    {"en_US", QTime(0, 0, 0), "12-00-00 AM"},     {"en_AU", QTime(13, 1, 2), "1-01-02 pm"},
    {"en_GB", QTime(21, 46, 10), "21-46-10"},     {"en_GB", QTime(9, 5, 7), "09-05-07"},
    {"en_GB", QTime(0, 0, 0), "00-00-00"},        {"de_DE", QTime(7, 0, 59), "07-00-59"},
    {"ko_KR", QTime(21, 46, 10), "오후 9-46-10"}, {"ko_KR", QTime(0, 5, 0), "오전 12-05-00"},
    {"zh_CN", QTime(9, 5, 7), "09-05-07"},        {"eo_001", QTime(9, 5, 7), "9-05-07"},
    {"eo_001", QTime(21, 46, 10), "21-46-10"},
};

TEST(DateTimeText, TimeFollowsTheLocalesClock) {
  for (const TimeCase& c : kTimeCases) {
    EXPECT_EQ(timeText(c.time, QLocale(QString::fromLatin1(c.locale))), QString::fromUtf8(c.expected))
        << c.locale << " " << c.time.toString().toStdString();
  }
}

TEST(DateTimeText, DateUsesTheShortPatternWithDashes) {
  const struct {
    const char* locale;
    const char* expected;
  } cases[] = {
      {"en_US", "12-8-26"},     // M/d/yy
      {"en_GB", "08-12-2026"},  // dd/MM/yyyy
      {"de_DE", "08.12.26"},    // dd.MM.yy: the full stops stay
      {"ko_KR", "26. 12. 8."},  // yy. M. d.
      {"zh_CN", "2026-12-8"},   // yyyy/M/d
      {"bg_BG", "8.12.26 г."},  // d.MM.yy 'г'.: quoted text written as text
  };
  for (const auto& c : cases)
    EXPECT_EQ(dateText(QDate(2026, 12, 8), QLocale(QString::fromLatin1(c.locale))),
              QString::fromUtf8(c.expected))
        << c.locale;
}

TEST(DateTimeText, KeyFormLeavesOutTheTimeOnlyAtMidnight) {
  const QLocale us(QStringLiteral("en_US"));
  FixedClock clock;
  EXPECT_EQ(DateTimeText(clock.now(), us), QStringLiteral("12-8-26 9-46-10 PM"));
  clock.set(QDateTime(QDate(2026, 12, 8), QTime(0, 0, 0)));
  EXPECT_EQ(DateTimeText(clock.now(), us), QStringLiteral("12-8-26"));
  clock.advance(std::chrono::seconds(1));
  EXPECT_EQ(DateTimeText(clock.now(), us), QStringLiteral("12-8-26 12-00-01 AM"));
  clock.set(QDateTime(QDate(2026, 1, 2), QTime(0, 0, 0)));
  EXPECT_EQ(DateTimeText(clock.now(), QLocale(QStringLiteral("en_GB"))), QStringLiteral("02-01-2026"));
  EXPECT_EQ(timeText(clock.now().time(), QLocale(QStringLiteral("en_GB"))), QStringLiteral("00-00-00"));
}

}  // namespace
