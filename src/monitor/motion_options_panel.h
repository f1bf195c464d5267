#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QPushButton;
class QTabWidget;
class SpinEdit;

// The camera window's options panel (`Panel1`): the controls with their captions,
// ranges and first values. The camera window connects their handlers.
class MotionOptionsPanel : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 169;

  explicit MotionOptionsPanel(QWidget* parent = nullptr);

  // The width at which every caption and video mode shows in full with the
  // current font: kWidth or more.
  int fittedWidth() const;

  // Opens the panel when hidden, else hides it; `opener` (the ">>" bar) shows while
  // it is hidden. The camera window, or the sub-window frame around it, widens or
  // narrows by the panel's width.
  void toggle(QWidget& opener, QWidget& window);

  QTabWidget* PageControl1;
  QTabWidget* PageControl2;

  // "Options"
  QPushButton* SpeedButton1;
  QComboBox* ComboBox2;
  QPushButton* Button1;
  QPushButton* Button2;
  QCheckBox* CheckBox1;
  QCheckBox* CheckBox7;
  QCheckBox* CheckBox2;
  QCheckBox* CheckBox3;
  QCheckBox* CheckBox4;
  QCheckBox* CheckBox8;

  // "Capture Settings" / "Advanced"
  QPushButton* SpeedButton2;
  SpinEdit* AdvSpinEdit1;
  SpinEdit* AdvSpinEdit2;
  SpinEdit* AdvSpinEdit3;
  SpinEdit* AdvSpinEdit4;
  QCheckBox* CheckBox6;
  QCheckBox* CheckBox9;
  QCheckBox* CheckBox10;
  QCheckBox* CheckBox11;
  QPushButton* SpeedButton3;

  // "Capture Settings" / "Event Options"
  QPushButton* SpeedButton4;
  SpinEdit* AdvSpinEdit5;
  QCheckBox* CheckBox12;
  SpinEdit* AdvSpinEdit6;
  SpinEdit* AdvSpinEdit7;
};
