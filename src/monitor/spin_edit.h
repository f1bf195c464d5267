#pragma once

#include <QAbstractSpinBox>

// An integer field with a range and spin arrows. Every change of its text reaches
// textChanged(), whether the user typed it, stepped it or the program set it;
// setting the value it already shows changes nothing. While the user types, the
// text may be out of range or no number at all; the value is clamped when the
// program sets it, when it is stepped and when the field loses the keyboard focus.
class SpinEdit : public QAbstractSpinBox {
  Q_OBJECT

 public:
  SpinEdit(int minimum, int maximum, int value, QWidget* parent = nullptr, int step = 1);

  // The text as a number, or the minimum when the text is not a number.
  int Value() const;
  // Value() clamped into the range: what a handler may compute with safely.
  int boundedValue() const;
  void setValue(int value);  // clamped into the range
  void setText(const QString& text);
  int minimum() const { return m_minimum; }
  int maximum() const { return m_maximum; }
  // Changes the upper bound only; the shown value is the caller's business.
  void setMaximum(int maximum) { m_maximum = maximum; }

  void stepBy(int steps) override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  void textChanged(const QString& text);

 protected:
  StepEnabled stepEnabled() const override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  int upper() const;

  int m_minimum;
  int m_maximum;
  int m_step;
};
