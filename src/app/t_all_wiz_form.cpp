#include "app/t_all_wiz_form.h"

#include "base/handler_guard.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kHelpContext = 15;

QCheckBox* stepBox(const QString& name, const QString& caption, QWidget* parent) {
  auto* box = new QCheckBox(caption, parent);
  box->setObjectName(name);
  return box;
}

}  // namespace

TAllWizForm::TAllWizForm(Prompts& prompts, Steps steps, QWidget* parent)
    : QDialog(parent), m_prompts(prompts), m_steps(std::move(steps)) {
  setObjectName(QStringLiteral("AllWizForm"));
  setWindowTitle(QStringLiteral("Welcome to Quorvex"));
  setProperty("helpContext", kHelpContext);
  setFixedSize(489, 278);
  setStyleSheet(QStringLiteral("TAllWizForm { background: white; }"));

  auto* title = new QLabel(QStringLiteral("<b>Welcome To Quorvex</b>"), this);
  QFont titleFont = title->font();
  titleFont.setPointSize(titleFont.pointSize() + 6);
  title->setFont(titleFont);
  auto* hint = new QLabel(QStringLiteral("<i>Please click on the checkbox to activate the Wizard<br>"
                                         "and set up Quorvex</i>"),
                          this);
  auto* picture = new QLabel(this);
  picture->setPixmap(windowIcon().pixmap(64, 64));

  CheckBox5 = stepBox(QStringLiteral("CheckBox5"), QStringLiteral("Connection Setup"), this);
  CheckBox1 = stepBox(QStringLiteral("CheckBox1"), QStringLiteral("Email Wizard"), this);
  CheckBox2 = stepBox(QStringLiteral("CheckBox2"), QStringLiteral("FTP Wizard"), this);
  CheckBox3 = stepBox(QStringLiteral("CheckBox3"), QStringLiteral("Picture Directory"), this);
  CheckBox4 = stepBox(QStringLiteral("CheckBox4"), QStringLiteral("Don't show me again."), this);
  QFont italic = CheckBox4->font();
  italic.setItalic(true);
  CheckBox4->setFont(italic);
  BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setEnabled(false);
  BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));

  // A click ticks a step box; clicks only, as the box's own toggling is the step's mark.
  connect(CheckBox5, &QCheckBox::clicked, this, [this] { CheckBox5Click(); });
  connect(CheckBox1, &QCheckBox::clicked, this, [this] { CheckBox1Click(); });
  connect(CheckBox2, &QCheckBox::clicked, this, [this] { CheckBox2Click(); });
  connect(CheckBox3, &QCheckBox::clicked, this, [this] { CheckBox3Click(); });
  connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });

  auto* layout = new QGridLayout(this);
  layout->addWidget(title, 0, 0);
  layout->addWidget(picture, 0, 1, 2, 1, Qt::AlignRight | Qt::AlignTop);
  layout->addWidget(hint, 1, 0);
  auto* stepColumn = new QVBoxLayout;
  for (QCheckBox* box : {CheckBox5, CheckBox1, CheckBox2, CheckBox3}) stepColumn->addWidget(box);
  stepColumn->addSpacing(8);
  stepColumn->addWidget(CheckBox4);
  layout->addLayout(stepColumn, 2, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BitBtn1);
  buttons->addWidget(BitBtn2);
  layout->addLayout(buttons, 3, 0, 1, 2);
  layout->setRowStretch(2, 1);
}

void TAllWizForm::CheckBox5Click() { startStep(CheckBox5, m_steps.connection); }
void TAllWizForm::CheckBox1Click() { startStep(CheckBox1, m_steps.email); }
void TAllWizForm::CheckBox2Click() { startStep(CheckBox2, m_steps.ftp); }
void TAllWizForm::CheckBox3Click() { startStep(CheckBox3, m_steps.pictureDirectory); }

// The box is ticked and disabled before the step runs, so a step starts once per showing.
void TAllWizForm::startStep(QCheckBox* box, const std::function<void()>& step) {
  box->setChecked(true);
  box->setEnabled(false);
  if (step)
    guarded(m_prompts, step);
  BitBtn1->setEnabled(CheckBox5->isChecked() && CheckBox1->isChecked() && CheckBox2->isChecked() &&
                      CheckBox3->isChecked());
}

void TAllWizForm::BitBtn2Click() {
  if (CheckBox4->isChecked())
    accept();
  else
    reject();
}
