#include "spin_edit.h"

#include <QKeyEvent>
#include <QRegularExpressionValidator>

#include <algorithm>

SpinEdit::SpinEdit(int minimum, int maximum, int value, QWidget* parent, int step)
    : QLineEdit(parent), m_minimum(minimum), m_maximum(maximum), m_step(step) {
  // Digits only, so the text is a number or empty; the range is checked on reading.
  setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]{0,9}")), this));
  setValue(value);
}

int SpinEdit::Value() const {
  bool isNumber = false;
  const int value = text().toInt(&isNumber);
  return isNumber ? value : m_minimum;
}

int SpinEdit::boundedValue() const { return std::clamp(Value(), m_minimum, std::max(m_minimum, m_maximum)); }

void SpinEdit::setValue(int value) {
  setText(QString::number(std::clamp(value, m_minimum, std::max(m_minimum, m_maximum))));
}

void SpinEdit::focusOutEvent(QFocusEvent* event) {
  setValue(Value());
  QLineEdit::focusOutEvent(event);
}

void SpinEdit::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
    const int step = event->key() == Qt::Key_Up ? m_step : -m_step;
    setValue(boundedValue() + step);
    return;
  }
  QLineEdit::keyPressEvent(event);
}
