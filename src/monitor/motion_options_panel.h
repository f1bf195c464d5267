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
  QPushButton* SpeedButton1;  // "<< ": hides the panel
  QComboBox* ComboBox2;       // "Video Mode"
  QPushButton* Button1;       // "Start"
  QPushButton* Button2;       // "Stop"
  QCheckBox* CheckBox1;       // "Detect Motion"
  QCheckBox* CheckBox7;       // "Timed Capture"
  QCheckBox* CheckBox2;       // "Capture Image"
  QCheckBox* CheckBox3;       // "FTP Image"
  QCheckBox* CheckBox4;       // "Email Image"
  QCheckBox* CheckBox8;       // "Sound Alarm"

  // "Capture Settings" / "Advanced"
  QPushButton* SpeedButton2;  // "<< "
  SpinEdit* AdvSpinEdit1;     // "Blocks"
  SpinEdit* AdvSpinEdit2;     // "Motion"
  SpinEdit* AdvSpinEdit3;     // "X Grids"
  SpinEdit* AdvSpinEdit4;     // "Y Grids"
  QCheckBox* CheckBox6;       // "Enable Quick Detect"
  QCheckBox* CheckBox9;       // "Show Moton Grid"
  QCheckBox* CheckBox10;      // "Show Balloon Messages"
  QCheckBox* CheckBox11;      // "Use Mask"
  QPushButton* SpeedButton3;  // "...": edits the mask

  // "Capture Settings" / "Event Options"
  QPushButton* SpeedButton4;  // "<< "
  SpinEdit* AdvSpinEdit5;     // "Timed Capture Rate", seconds
  QCheckBox* CheckBox12;      // "Email/FTP >1 Images"
  SpinEdit* AdvSpinEdit6;     // "Nr of Images"
  SpinEdit* AdvSpinEdit7;     // "Upload/Email Every", minutes

  // "Capture Settings" / "Filters": false alarms and disk use
  QPushButton* SpeedButton5;  // "<< "
  SpinEdit* LightSwitch;      // "Light Switch %": a larger share of changed cells is a change of light
  SpinEdit* MinMotionFrames;  // "Min Frames": frames in a row with motion before an event
  SpinEdit* SnapshotGap;      // "Snapshot Gap", seconds between motion snapshots
  SpinEdit* KeepFreeMB;       // "Keep Free MB" on the picture folder's disk
  SpinEdit* KeepDays;         // "Keep Days" of snapshots, 0 for no limit
};
