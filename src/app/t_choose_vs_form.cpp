#include "t_choose_vs_form.h"

#include "base/handler_guard.h"
#include "capture/ui/video_capture.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

TChooseVSForm::TChooseVSForm(Prompts& prompts, QWidget* parent)
    : QDialog(parent, Qt::Tool), m_prompts(prompts), m_comboBox(new QComboBox(this)) {
  setWindowTitle(QStringLiteral("Choose Video Source"));
  setFixedSize(404, 249);

  m_capture = std::make_unique<TVideoCapture>(prompts, this);
  m_capture->setObjectName(QStringLiteral("VideoCapture1"));
  m_capture->setWantBitmaps(false);
  m_capture->setWantAudio(false);
  m_capture->setWantCapture(false);
  m_capture->setFixedSize(153, 113);

  auto* heading = new QLabel(QStringLiteral("Please choose your video source"), this);
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);
  m_comboBox->setObjectName(QStringLiteral("ComboBox1"));
  m_comboBox->setEditable(true);
  auto* note = new QLabel(QStringLiteral("Note : Only one video source per session"), this);
  QFont italic = note->font();
  italic.setItalic(true);
  note->setFont(italic);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("Button1"));
  ok->setDefault(true);

  auto* layout = new QGridLayout(this);
  layout->addWidget(heading, 0, 0, 1, 2);
  layout->addWidget(m_comboBox, 1, 0, Qt::AlignTop);
  layout->addWidget(m_capture.get(), 1, 1, 2, 1);
  layout->addWidget(note, 2, 0, Qt::AlignTop);
  layout->addWidget(ok, 3, 1, Qt::AlignRight);
  layout->setColumnStretch(0, 1);
  layout->setRowStretch(2, 1);

  connect(m_comboBox, &QComboBox::currentTextChanged, this,
          [this] { guarded(m_prompts, [this] { ComboBox1CloseUp(); }); });
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

TChooseVSForm::~TChooseVSForm() = default;

void TChooseVSForm::setDeviceNames(const QStringList& names) {
  const QSignalBlocker blocker(m_comboBox);  // the preview starts when the chooser shows
  m_comboBox->clear();
  m_comboBox->addItems(names);
  m_comboBox->setEditText(names.value(0));
}

QString TChooseVSForm::chosenText() const { return m_comboBox->currentText(); }

void TChooseVSForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  guarded(m_prompts, [this] { FormShow(); });
}

void TChooseVSForm::ComboBox1CloseUp() {
  if (!m_capture)
    return;
  if (m_capture->Previewing())
    m_capture->StopPreview();
  // A half-typed name selects nothing; it would only raise a capture error per key.
  if (!FindDeviceMoniker(VideoDevices(), m_comboBox->currentText()))
    return;
  m_capture->SelectDevices(m_comboBox->currentText(), QString(), true);
  m_capture->StartPreview();
}

void TChooseVSForm::done(int result) {
  guarded(m_prompts, [this] { FormClose(); });
  QDialog::done(result);
}

void TChooseVSForm::FormClose() {
  if (m_capture && m_capture->Previewing())
    m_capture->StopPreview();
  m_capture.reset();
}
