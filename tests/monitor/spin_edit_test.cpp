#include "monitor/spin_edit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// The centre of an arrow of the field as the style lays out a spin box of its size.
QPoint arrowCentre(QWidget& field, QStyle::SubControl arrow) {
  QStyleOptionSpinBox option;
  option.initFrom(&field);
  option.subControls = QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown | QStyle::SC_SpinBoxEditField;
  option.buttonSymbols = QAbstractSpinBox::UpDownArrows;
  option.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
  option.frame = true;
  return field.style()->subControlRect(QStyle::CC_SpinBox, &option, arrow, &field).center();
}

void loseFocus(QWidget& field) {
  QFocusEvent event(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(&field, &event);
}

}  // namespace

TEST(SpinEditTest, ArrowsAndKeysStepFromTheValueInRange) {
  enum class Input { UpArrow, DownArrow, UpKey, DownKey };
  const struct {
    int minimum, maximum, step;
    const char* text;
    Input input;
    const char* expected;
  } cases[] = {
      {1, 10, 1, "4", Input::UpArrow, "5"},
      {1, 10, 1, "4", Input::DownArrow, "3"},
      {1, 10, 1, "10", Input::UpArrow, "10"},  // at a bound the arrow does nothing
      {1, 10, 1, "1", Input::DownArrow, "1"},
      {10, 120, 5, "10", Input::UpArrow, "15"},
      {10, 120, 5, "118", Input::UpKey, "120"},
      {10, 600, 1, "700", Input::DownKey, "599"},  // a half-typed value is clamped first
      {2, 50, 1, "", Input::UpArrow, "3"},         // no number counts as the minimum
      {2, 50, 1, "", Input::DownKey, "2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " step " + std::to_string(c.step));
    SpinEdit field(c.minimum, c.maximum, c.minimum, nullptr, c.step);
    field.resize(80, field.sizeHint().height());
    field.show();
    field.setText(QString::fromLatin1(c.text));
    switch (c.input) {
      case Input::UpArrow:
        QTest::mouseClick(&field, Qt::LeftButton, {}, arrowCentre(field, QStyle::SC_SpinBoxUp));
        break;
      case Input::DownArrow:
        QTest::mouseClick(&field, Qt::LeftButton, {}, arrowCentre(field, QStyle::SC_SpinBoxDown));
        break;
      case Input::UpKey: QTest::keyClick(&field, Qt::Key_Up); break;
      case Input::DownKey: QTest::keyClick(&field, Qt::Key_Down); break;
    }
    EXPECT_EQ(field.text().toStdString(), c.expected);
  }
}

TEST(SpinEditTest, TypedTextStaysAsTypedUntilTheFieldLosesFocus) {
  const struct {
    const char* typed;
    const char* shown;    // while typing: letters are refused, the range is not applied
    int value, bounded;   // what the handlers read meanwhile
    const char* settled;  // after the focus has gone
  } cases[] = {
      {"45", "45", 45, 45, "45"},         {"7", "7", 7, 10, "10"},     {"0", "0", 0, 10, "10"},
      {"9999", "9999", 9999, 600, "600"}, {"4a5", "45", 45, 45, "45"}, {"", "", 10, 10, "10"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    SpinEdit field(10, 600, 30);
    field.show();
    QSignalSpy changes(&field, &SpinEdit::textChanged);
    field.setText({});
    QTest::keyClicks(&field, QString::fromLatin1(c.typed));
    EXPECT_EQ(field.text(), c.shown);
    EXPECT_EQ(field.Value(), c.value);
    EXPECT_EQ(field.boundedValue(), c.bounded);
    EXPECT_EQ(changes.size(), 1 + static_cast<int>(std::strlen(c.shown)));  // every change is told
    loseFocus(field);
    EXPECT_EQ(field.text(), c.settled);
  }
}
