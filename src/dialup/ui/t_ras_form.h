#pragma once

#include <QDialog>

class DialUpBinding;
class Prompts;
class QButtonGroup;
class QLabel;
class QListWidget;
class QPushButton;

// The connection selection dialog: how the computer reaches the Internet (not at
// all, by a dial-up connection and which one, or by a LAN), stored as the settings
// "Connection" and "DailNum". Shown without waiting and reused; the choice takes
// effect at the next start, which the dialog says.
class TRasForm : public QDialog {
  Q_OBJECT

 public:
  // `entries` lists the dial-up connections; it is read when "Dial Up" is chosen.
  TRasForm(Prompts& prompts, const QString& settingsFile, const DialUpBinding& entries,
           QWidget* parent = nullptr);

  // The chosen type (0 no Internet, 1 dial-up, 2 LAN); -1 when none is chosen.
  int ItemIndex() const;
  // The entry OK stores as "DailNum": 0 until a click on the list.
  int SelectedEntry() const { return m_selectedEntry; }

  void FormShow();
  void RadioGroup1Click();
  void ListView1Click();
  // Fills the list with the entries; with none it stays as it is.
  void BitBtn1Click();
  void BitBtn2Click();
  void BitBtn3Click();

  QButtonGroup* RadioGroup1;
  QListWidget* ListView1;
  // The explanatory text; lies over the list, hiding it, unless entries are shown.
  QLabel* Memo1;
  QPushButton* BitBtn2;
  QPushButton* BitBtn3;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setMemo(const QString& text, bool overList);

  Prompts& m_prompts;
  const QString m_settingsFile;
  const DialUpBinding& m_entries;
  int m_selectedEntry = 0;
};
