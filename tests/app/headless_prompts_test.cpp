#include "app/headless_prompts.h"

#include "support/fixed_clock.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

using Answer = Prompts::Answer;
using Buttons = Prompts::Buttons;

// What the prompts wrote, read back from a memory stream.
class Output {
 public:
  Output() : m_file(open_memstream(&m_buffer, &m_size)) {}
  ~Output() {
    std::fclose(m_file);
    std::free(m_buffer);
  }
  std::FILE* file() { return m_file; }
  QString text() {
    std::fflush(m_file);
    return QString::fromUtf8(m_buffer, static_cast<qsizetype>(m_size));
  }

 private:
  char* m_buffer = nullptr;
  std::size_t m_size = 0;
  std::FILE* m_file;
};

TEST(HeadlessPromptsTest, EachBoxIsOneLineAnsweredWithItsDefaultButton) {
  const struct {
    Buttons buttons;
    Answer answer;
  } cases[] = {
      {Buttons::Ok, Answer::Ok},
      {Buttons::OkCancel, Answer::Ok},
      {Buttons::YesNo, Answer::Yes},
      {Buttons::YesNoCancel, Answer::Yes},
      {Buttons::RetryCancel, Answer::Retry},
      {Buttons::AbortRetryIgnore, Answer::Abort},
      {Buttons::AbortIgnore, Answer::Abort},
  };
  FixedClock clock;
  Output output;
  HeadlessPrompts prompts(clock, output.file());
  int index = 0;
  for (const auto& c : cases) {
    const QString text = QStringLiteral("Box %1\rsecond line\r\n").arg(++index);
    EXPECT_EQ(prompts.messageBox({text, "Quorvex", Prompts::Icon::Warning, c.buttons, 0}), c.answer) << index;
  }
  const QStringList lines = output.text().split(u'\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 7) << output.text().toStdString();
  EXPECT_EQ(lines[0], "Quorvex: Box 1 / second line");
  EXPECT_EQ(HeadlessPrompts::oneLine({"No Mask Found!\rCreate one Now?", "", {}, {}, 0}),
            "No Mask Found! / Create one Now?");
  // The detail follows the text on the same line.
  Prompts::Message lost{"Device Door Lost!", "Quorvex"};
  lost.detail = "Source: Door\rURI: rtsp://127.0.0.1:9/none\rReason: Connection refused\r";
  EXPECT_EQ(HeadlessPrompts::oneLine(lost),
            "Quorvex: Device Door Lost! / Source: Door / URI: rtsp://127.0.0.1:9/none / Reason: Connection "
            "refused");
}

TEST(HeadlessPromptsTest, AMessageThatKeepsComingIsPrintedOnceAMinuteWithItsCount) {
  FixedClock clock;
  Output output;
  {
    HeadlessPrompts prompts(clock, output.file());
    const Prompts::Message lost{"Device Door Lost!", "Quorvex", {}, Buttons::Ok, 0};
    for (int i = 0; i < 500; ++i) prompts.messageBox(lost);
    clock.advance(std::chrono::seconds(60));
    prompts.messageBox(lost);
    for (int i = 0; i < 3; ++i) prompts.messageBox(lost);
    prompts.messageBox({"Other", "Quorvex", {}, Buttons::Ok, 0});
    prompts.messageBox({"Other", "Quorvex", {}, Buttons::Ok, 0});
  }
  EXPECT_EQ(output.text(),
            "Quorvex: Device Door Lost!\n"
            "Quorvex: Device Door Lost! (499 more times)\n"
            "Quorvex: Device Door Lost! (3 more times)\n"
            "Quorvex: Other\n"
            "Quorvex: Other (1 more times)\n");
}

}  // namespace
