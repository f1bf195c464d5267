#pragma once

#include "alarm/tcb_audio_play.h"
#include "base/prompts.h"

#include <QDialog>

#include <memory>

class QLineEdit;
class QPushButton;
class QToolButton;

// Chooses the file the sound alarm plays, tries it out on a player of its own (it
// never touches the running alarm) and stores it as the setting `SoundAlarm`.
// Shown without waiting and reused; the test sound ends whenever it closes.
class TSoundAlarmForm : public QDialog {
  Q_OBJECT

 public:
  // The choice is kept in the settings file `settingsFile`.
  TSoundAlarmForm(Prompts& prompts, const QString& settingsFile, QWidget* parent = nullptr);
  ~TSoundAlarmForm() override;

  // The test player, while one exists.
  const TcbAudioPlay* TestPlayer() const { return m_testPlayer.get(); }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void FormShow();
  void FormCloseQuery();
  void browse();
  void BitBtn1Click();
  void BitBtn2Click();
  void StopPlayer();

  Prompts& m_prompts;
  const QString m_settingsFile;
  QLineEdit* AdvFileNameEdit1;
  QToolButton* m_browseButton;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
  QPushButton* BitBtn3;
  std::unique_ptr<TcbAudioPlay> m_testPlayer;
};
