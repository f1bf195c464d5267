#include "t_sound_alarm_form.h"
#include "base/settings_keys.h"

#include "base/error.h"
#include "base/handler_guard.h"
#include "base/help_topic.h"
#include "base/settings_store.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

const QString kSoundAlarm = QStringLiteral("SoundAlarm");
const QString kTest = QStringLiteral("Test");

}  // namespace

TSoundAlarmForm::TSoundAlarmForm(Prompts& prompts, const QString& settingsFile, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      m_prompts(prompts),
      m_settingsFile(settingsFile) {
  setWindowTitle(QStringLiteral("Sound Alarm File..."));
  setFixedSize(413, 137);
  setProperty("helpContext", HelpTopic::SoundAlarm);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);

  auto* label = new QLabel(QStringLiteral("Sound File"), this);
  label->setGeometry(16, 16, 200, 16);
  AdvFileNameEdit1 = new QLineEdit(this);
  AdvFileNameEdit1->setObjectName("AdvFileNameEdit1");
  AdvFileNameEdit1->setGeometry(16, 34, 353, 24);
  label->setBuddy(AdvFileNameEdit1);
  m_browseButton = new QToolButton(this);
  m_browseButton->setObjectName("BrowseButton");
  m_browseButton->setText(QStringLiteral("..."));
  m_browseButton->setGeometry(373, 34, 24, 24);

  auto button = [this](const char* name, const QString& text, int x) {
    auto* result = new QPushButton(text, this);
    result->setObjectName(name);
    result->setGeometry(x, 92, 81, 27);
    result->setAutoDefault(false);
    return result;
  };
  BitBtn1 = button("BitBtn1", kTest, 16);
  BitBtn2 = button("BitBtn2", QStringLiteral("OK"), 228);
  BitBtn3 = button("BitBtn3", QStringLiteral("Cancel"), 316);
  BitBtn2->setDefault(true);

  connect(m_browseButton, &QToolButton::clicked, this,
          guardedSlot(m_prompts, this, &TSoundAlarmForm::browse));
  connect(BitBtn1, &QPushButton::clicked, this, guardedSlot(m_prompts, this, &TSoundAlarmForm::BitBtn1Click));
  connect(BitBtn2, &QPushButton::clicked, this, guardedSlot(m_prompts, this, &TSoundAlarmForm::BitBtn2Click));
  connect(BitBtn3, &QPushButton::clicked, this, &QDialog::close);
}

TSoundAlarmForm::~TSoundAlarmForm() = default;

void TSoundAlarmForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous())
    guarded(m_prompts, [this] { FormShow(); });
}

// Every way of closing (OK, Cancel, Escape, the close box) hides the window.
void TSoundAlarmForm::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (!event->spontaneous())
    FormCloseQuery();
}

void TSoundAlarmForm::FormShow() {
  SettingsStore settings(m_settingsFile);
  if (settings.OpenKey(applicationKey(), false))
    AdvFileNameEdit1->setText(settings.ReadString(kSoundAlarm));
}

void TSoundAlarmForm::FormCloseQuery() { m_testPlayer.reset(); }

void TSoundAlarmForm::browse() {
  const QString chosen = QFileDialog::getOpenFileName(this, QString(), AdvFileNameEdit1->text());
  if (!chosen.isEmpty())
    AdvFileNameEdit1->setText(chosen);
}

void TSoundAlarmForm::BitBtn1Click() {
  const QString path = AdvFileNameEdit1->text();
  if (!QFileInfo(path).isFile()) {
    m_prompts.beep();
    m_prompts.messageBox({QStringLiteral("File Not Found!"), Prompts::programCaption(), Prompts::Icon::Error,
                          Prompts::Buttons::Ok, HelpTopic::SoundFileNotFound});
    return;
  }
  if (BitBtn1->text() != kTest) {
    BitBtn1->setText(kTest);
    if (m_testPlayer)
      m_testPlayer->Stop();
    return;
  }
  m_testPlayer.reset();  // one test player at a time
  m_testPlayer = std::make_unique<TcbAudioPlay>(m_prompts, this, TcbAudioPlay::kDefaultOutput, path);
  m_testPlayer->OnComplete = [this](TcbAudioPlay*) { StopPlayer(); };
  m_testPlayer->Play();
  BitBtn1->setText(QStringLiteral("Stop"));
}

void TSoundAlarmForm::StopPlayer() {
  BitBtn1->setText(kTest);
  if (m_testPlayer)
    m_testPlayer->Stop();
}

// The choice is stored as typed; the alarm itself falls back to "alert.wav" when
// the file is missing. A choice that cannot be stored is said so, and the window
// stays open with it.
void TSoundAlarmForm::BitBtn2Click() {
  SettingsStore settings(m_settingsFile);
  if (!settings.OpenKey(applicationKey(), true))
    throw Error(QStringLiteral("Failed to set data for '") + kSoundAlarm + u'\'');
  settings.WriteString(kSoundAlarm, AdvFileNameEdit1->text());
  close();
}
