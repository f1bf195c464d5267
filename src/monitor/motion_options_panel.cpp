#include "motion_options_panel.h"

#include "spin_edit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

template <class Control>
Control* named(Control* control, const char* name) {
  control->setObjectName(QLatin1String(name));
  return control;
}

QCheckBox* checkBox(const char* name, const QString& caption, bool checked) {
  auto* box = named(new QCheckBox(caption), name);
  box->setChecked(checked);
  return box;
}

QPushButton* hideButton(const char* name) {
  auto* button = named(new QPushButton(QStringLiteral("<< ")), name);
  // Narrower than the style's usual button, yet wide enough for its caption.
  const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
  button->setFixedWidth(std::max(32, button->fontMetrics().horizontalAdvance(button->text()) + 2 * margin));
  return button;
}

// A new tab page whose first row is its "<< " button at the right, then a heading;
// returns the page's column for the rest.
QVBoxLayout* addPage(QTabWidget* tabs, const QString& title, QPushButton* hide, const QString& heading) {
  auto* page = new QWidget;
  tabs->addTab(page, title);
  auto* layout = new QVBoxLayout(page);
  // Tight rows: the whole page fits the camera window at its opening size.
  layout->setContentsMargins(4, 2, 4, 2);
  layout->setSpacing(2);
  layout->addWidget(hide, 0, Qt::AlignRight);
  layout->addWidget(new QLabel(heading));
  return layout;
}

}  // namespace

MotionOptionsPanel::MotionOptionsPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Panel1"));
  setFixedWidth(kWidth);
  PageControl1 = named(new QTabWidget(this), "PageControl1");
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(PageControl1);

  SpeedButton1 = hideButton("SpeedButton1");
  QVBoxLayout* column =
      addPage(PageControl1, QStringLiteral("Options"), SpeedButton1, QStringLiteral("Video Mode"));
  ComboBox2 = named(new QComboBox, "ComboBox2");
  ComboBox2->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  column->addWidget(ComboBox2);
  auto* buttons = new QHBoxLayout;
  Button1 = named(new QPushButton(QStringLiteral("Start")), "Button1");
  Button2 = named(new QPushButton(QStringLiteral("Stop")), "Button2");
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  column->addLayout(buttons);
  column->addWidget(new QLabel(QStringLiteral("Motion detection")));
  CheckBox1 = checkBox("CheckBox1", QStringLiteral("Detect Motion"), false);
  column->addWidget(CheckBox1);
  column->addWidget(new QLabel(QStringLiteral("Capture Options")));
  CheckBox7 = checkBox("CheckBox7", QStringLiteral("Timed Capture"), false);
  column->addWidget(CheckBox7);
  auto* events = new QGroupBox(QStringLiteral("Motion Events"));
  auto* eventColumn = new QVBoxLayout(events);
  eventColumn->setContentsMargins(6, 2, 6, 2);
  eventColumn->setSpacing(0);
  CheckBox2 = checkBox("CheckBox2", QStringLiteral("Capture Image"), false);
  CheckBox3 = checkBox("CheckBox3", QStringLiteral("FTP Image"), false);
  CheckBox4 = checkBox("CheckBox4", QStringLiteral("Email Image"), false);
  CheckBox8 = checkBox("CheckBox8", QStringLiteral("Sound Alarm"), false);
  for (QCheckBox* box : {CheckBox2, CheckBox3, CheckBox4, CheckBox8}) eventColumn->addWidget(box);
  column->addWidget(events);
  column->addStretch();

  PageControl2 = named(new QTabWidget, "PageControl2");
  PageControl1->addTab(PageControl2, QStringLiteral("Capture Settings"));

  SpeedButton2 = hideButton("SpeedButton2");
  column = addPage(PageControl2, QStringLiteral("Advanced"), SpeedButton2, QStringLiteral("Sensitivity"));
  auto* fields = new QFormLayout;
  AdvSpinEdit1 = named(new SpinEdit(1, 10, 4), "AdvSpinEdit1");
  AdvSpinEdit2 = named(new SpinEdit(1, 2500, 50), "AdvSpinEdit2");
  AdvSpinEdit3 = named(new SpinEdit(2, 50, 10), "AdvSpinEdit3");
  AdvSpinEdit4 = named(new SpinEdit(2, 50, 10), "AdvSpinEdit4");
  fields->addRow(QStringLiteral("Blocks"), AdvSpinEdit1);
  fields->addRow(QStringLiteral("Motion"), AdvSpinEdit2);
  fields->addRow(QStringLiteral("X Grids"), AdvSpinEdit3);
  fields->addRow(QStringLiteral("Y Grids"), AdvSpinEdit4);
  column->addLayout(fields);
  CheckBox6 = checkBox("CheckBox6", QStringLiteral("Enable Quick Detect"), false);
  CheckBox9 = checkBox("CheckBox9", QStringLiteral("Show Moton Grid"), true);
  CheckBox10 = checkBox("CheckBox10", QStringLiteral("Show Balloon Messages"), true);
  for (QCheckBox* box : {CheckBox6, CheckBox9, CheckBox10}) column->addWidget(box);
  auto* mask = new QHBoxLayout;
  CheckBox11 = checkBox("CheckBox11", QStringLiteral("Use Mask"), false);
  SpeedButton3 = named(new QPushButton(QStringLiteral("...")), "SpeedButton3");
  SpeedButton3->setFixedWidth(32);
  mask->addWidget(CheckBox11);
  mask->addWidget(SpeedButton3);
  column->addLayout(mask);
  column->addStretch();

  SpeedButton4 = hideButton("SpeedButton4");
  column = addPage(PageControl2, QStringLiteral("Event Options"), SpeedButton4,
                   QStringLiteral("Timed Capture Rate"));
  auto* rate = new QHBoxLayout;
  AdvSpinEdit5 = named(new SpinEdit(10, 600, 30), "AdvSpinEdit5");
  rate->addWidget(AdvSpinEdit5);
  rate->addWidget(new QLabel(QStringLiteral("Sec")));
  column->addLayout(rate);
  column->addWidget(new QLabel(QStringLiteral("Email/FTP")));
  CheckBox12 = checkBox("CheckBox12", QStringLiteral("Email/FTP >1 Images"), false);
  CheckBox12->setToolTip(QStringLiteral("More Than One Image Attachments"));
  column->addWidget(CheckBox12);
  fields = new QFormLayout;
  AdvSpinEdit6 = named(new SpinEdit(2, 10, 5), "AdvSpinEdit6");
  fields->addRow(QStringLiteral("Nr of Images"), AdvSpinEdit6);
  column->addLayout(fields);
  column->addWidget(new QLabel(QStringLiteral("Upload/Email Every")));
  auto* every = new QHBoxLayout;
  AdvSpinEdit7 = named(new SpinEdit(10, 120, 10, nullptr, 5), "AdvSpinEdit7");
  every->addWidget(AdvSpinEdit7);
  every->addWidget(new QLabel(QStringLiteral("Min")));
  column->addLayout(every);
  column->addStretch();

  // Three tabs need more than the panel's first width: the panel widens to show them all.
  PageControl2->setUsesScrollButtons(false);
  SpeedButton5 = hideButton("SpeedButton5");
  column = addPage(PageControl2, QStringLiteral("Filters"), SpeedButton5, QStringLiteral("False alarms"));
  fields = new QFormLayout;
  LightSwitch = named(new SpinEdit(0, 100, 0), "LightSwitch");
  LightSwitch->setToolTip(
      QStringLiteral("A frame in which more than this share of the cells changed is a "
                     "change of light, not motion (0: off)"));
  MinMotionFrames = named(new SpinEdit(1, 30, 1), "MinMotionFrames");
  MinMotionFrames->setToolTip(QStringLiteral("Frames in a row with motion before it is a motion event"));
  SnapshotGap = named(new SpinEdit(0, 60, 0), "SnapshotGap");
  SnapshotGap->setToolTip(
      QStringLiteral("Seconds between motion snapshots during continuous motion (0: one per event)"));
  fields->addRow(QStringLiteral("Light Switch %"), LightSwitch);
  fields->addRow(QStringLiteral("Min Frames"), MinMotionFrames);
  fields->addRow(QStringLiteral("Snapshot Gap s"), SnapshotGap);
  column->addLayout(fields);
  column->addWidget(new QLabel(QStringLiteral("Disk (all cameras)")));
  fields = new QFormLayout;
  KeepFreeMB = named(new SpinEdit(0, 1000000, 1024, nullptr, 256), "KeepFreeMB");
  KeepFreeMB->setToolTip(
      QStringLiteral("Oldest days of snapshots are deleted while less is free on their disk (0: never)"));
  KeepDays = named(new SpinEdit(0, 3650, 0), "KeepDays");
  KeepDays->setToolTip(QStringLiteral("Days of snapshots kept (0: no limit)"));
  fields->addRow(QStringLiteral("Keep Free MB"), KeepFreeMB);
  fields->addRow(QStringLiteral("Keep Days"), KeepDays);
  column->addLayout(fields);
  column->addStretch();
}

int MotionOptionsPanel::fittedWidth() const { return std::max(kWidth, sizeHint().width()); }

void MotionOptionsPanel::toggle(QWidget& opener, QWidget& window) {
  const bool opening = isHidden();
  if (opening)
    setFixedWidth(fittedWidth());  // the video modes may have changed
  setHidden(!opening);
  opener.setHidden(opening);
  const int change = opening ? minimumWidth() : -minimumWidth();
  // Inside the main window the sub-window frame is what has a size of its own.
  auto* frame = qobject_cast<QMdiSubWindow*>(window.parentWidget());
  QWidget* outer = frame ? static_cast<QWidget*>(frame) : &window;
  outer->resize(outer->width() + change, outer->height());
}
