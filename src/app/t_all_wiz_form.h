#pragma once

#include <QDialog>

#include <functional>

class Prompts;
class QCheckBox;
class QPushButton;

// "Welcome to Quorvex", the first-run setup chooser: four set-up steps, each started
// at most once per showing by ticking its box. OK is enabled once all four were
// started; Cancel counts as OK when "Don't show me again." is ticked.
class TAllWizForm : public QDialog {
  Q_OBJECT

 public:
  // What each step box runs; an error it raises is shown and the chooser stays.
  struct Steps {
    std::function<void()> connection;
    std::function<void()> email;
    std::function<void()> ftp;
    std::function<void()> pictureDirectory;
  };

  TAllWizForm(Prompts& prompts, Steps steps, QWidget* parent = nullptr);

  void CheckBox5Click();
  void CheckBox1Click();
  void CheckBox2Click();
  void CheckBox3Click();
  void BitBtn1Click() { accept(); }
  void BitBtn2Click();

  QCheckBox* CheckBox5;  // Connection Setup
  QCheckBox* CheckBox1;  // Email Wizard
  QCheckBox* CheckBox2;  // FTP Wizard
  QCheckBox* CheckBox3;  // Picture Directory
  QCheckBox* CheckBox4;  // Don't show me again.
  QPushButton* BitBtn1;  // OK
  QPushButton* BitBtn2;  // Cancel

 private:
  void startStep(QCheckBox* box, const std::function<void()>& step);

  Prompts& m_prompts;
  Steps m_steps;
};
