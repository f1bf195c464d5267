#include "app/message_box_prompts.h"

#include "app_fixture.h"

#include <QAbstractButton>
#include <QMessageBox>

#include <gtest/gtest.h>

// The real boxes, answered through the dialog that comes up.
class MessageBoxPromptsTest : public AppFixture {};

// The detail of a message is the box's detailed text, with real line breaks.
TEST_F(MessageBoxPromptsTest, DetailIsTheBoxsDetailedText) {
  MessageBoxPrompts boxes;
  QString text;
  QString detail;
  AppFixture::whenModal([&](QWidget* dialog) {
    auto* box = qobject_cast<QMessageBox*>(dialog);
    ASSERT_NE(box, nullptr);
    text = box->text();
    detail = box->detailedText();
    box->button(QMessageBox::Ok)->click();
  });
  const Prompts::Answer answer =
      boxes.messageBox({"Device Door Lost!", "Quorvex", Prompts::Icon::Information, Prompts::Buttons::Ok, 0,
                        "Source: Door\rURI: rtsp://127.0.0.1:9/none\rReason: End of stream"});
  EXPECT_EQ(answer, Prompts::Answer::Ok);
  EXPECT_EQ(text, "Device Door Lost!");
  EXPECT_EQ(detail, "Source: Door\nURI: rtsp://127.0.0.1:9/none\nReason: End of stream");
}
