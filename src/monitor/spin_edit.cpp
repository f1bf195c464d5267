#include "spin_edit.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QStyleOptionSpinBox>

#include <algorithm>

SpinEdit::SpinEdit(int minimum, int maximum, int value, QWidget* parent, int step)
    : QAbstractSpinBox(parent), m_minimum(minimum), m_maximum(maximum), m_step(step) {
  // Digits only, so the text is a number or empty; the range is checked on reading.
  lineEdit()->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]{0,9}")), this));
  connect(lineEdit(), &QLineEdit::textChanged, this, &SpinEdit::textChanged);
  setValue(value);
}

int SpinEdit::upper() const { return std::max(m_minimum, m_maximum); }

int SpinEdit::Value() const {
  bool isNumber = false;
  const int value = text().toInt(&isNumber);
  return isNumber ? value : m_minimum;
}

int SpinEdit::boundedValue() const { return std::clamp(Value(), m_minimum, upper()); }

void SpinEdit::setValue(int value) { setText(QString::number(std::clamp(value, m_minimum, upper()))); }

void SpinEdit::setText(const QString& text) {
  if (text != lineEdit()->text())
    lineEdit()->setText(text);
}

// The arrows, the Up and Down keys and the wheel step from the value in range.
void SpinEdit::stepBy(int steps) {
  const qint64 stepped = static_cast<qint64>(boundedValue()) + static_cast<qint64>(steps) * m_step;
  setValue(static_cast<int>(std::clamp<qint64>(stepped, m_minimum, upper())));
}

// At a bound, stepping still puts a half-typed text into the range.
QAbstractSpinBox::StepEnabled SpinEdit::stepEnabled() const {
  if (text() != QString::number(boundedValue()))
    return StepUpEnabled | StepDownEnabled;
  StepEnabled enabled = StepNone;
  if (boundedValue() < upper())
    enabled |= StepUpEnabled;
  if (boundedValue() > m_minimum)
    enabled |= StepDownEnabled;
  return enabled;
}

void SpinEdit::focusOutEvent(QFocusEvent* event) {
  setValue(Value());
  QAbstractSpinBox::focusOutEvent(event);
}

// Wide enough for the longest number of the range and the arrows.
QSize SpinEdit::sizeHint() const {
  const QFontMetrics metrics = fontMetrics();
  const int digits = std::max(metrics.horizontalAdvance(QString::number(m_minimum)),
                              metrics.horizontalAdvance(QString::number(upper())));
  QStyleOptionSpinBox option;
  initStyleOption(&option);
  const QSize contents(digits + 2 * metrics.horizontalAdvance(u'0'), lineEdit()->sizeHint().height());
  return style()->sizeFromContents(QStyle::CT_SpinBox, &option, contents, this);
}

QSize SpinEdit::minimumSizeHint() const { return sizeHint(); }
