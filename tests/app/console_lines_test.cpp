#include "app/console_lines.h"

#include "eventlog/date_time_text.h"

#include <gtest/gtest.h>

namespace {

TEST(ConsoleLinesTest, LogEntryLineStartsWithTheTimeAndDropsTheKeysStamp) {
  const QDateTime now(QDate(2026, 12, 8), QTime(21, 46, 10));
  const QString stamp = dateText(now.date()) + u' ' + timeText(now.time());
  const struct {
    QString key;
    QString text;
  } cases[] = {
      {"Motion Captured On " + DateTimeText(now), "Motion Captured On"},
      {"Device Lost on " + DateTimeText(now.addSecs(-1)), "Device Lost on"},  // stamped a second before
      {"Alarm Sounded on " + DateTimeText(now.addSecs(-60)),
       "Alarm Sounded on " + DateTimeText(now.addSecs(-60))},
      {DateTimeText(now), ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(logEntryLine(now, "Cam", c.key, "Images"), stamp + "  Cam  Images  " + c.text)
        << c.key.toStdString();
  // At midnight the stamp is the date alone; the line still shows the time.
  const QDateTime midnight(QDate(2026, 12, 9), QTime(0, 0));
  EXPECT_EQ(
      logEntryLine(midnight, "Cam", "Motion Captured On " + DateTimeText(midnight), "Images"),
      dateText(midnight.date()) + u' ' + timeText(midnight.time()) + "  Cam  Images  Motion Captured On");
}

TEST(ConsoleLinesTest, StartLineSaysWhatIsWatchedAndWhenDetectionStarts) {
  StartFacts facts{"0.1",  "/h/", "/h/settings.db", {"Demo (demo:)", "Door (rtsp://127.0.0.1:9/none)"},
                   "Demo", 8};
  EXPECT_EQ(
      startLine(facts),
      "Quorvex 0.1 started: program folder /h/, settings /h/settings.db, video sources Demo (demo:), Door "
      "(rtsp://127.0.0.1:9/none); watching Demo, detection starts in 8 s");
  facts.detectionStartsInSeconds = -1;
  EXPECT_TRUE(
      startLine(facts).endsWith("watching Demo, detection is off (see README: Detect in the camera's "
                                "settings)"));
  facts.sources.clear();
  facts.camera.clear();
  EXPECT_TRUE(startLine(facts).endsWith("no video sources; no camera watched"));
}

}  // namespace
