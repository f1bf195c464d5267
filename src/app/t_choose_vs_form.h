#pragma once

#include "base/prompts.h"

#include <QDialog>
#include <QStringList>

#include <memory>

class QComboBox;
class TVideoCapture;

// "Choose Video Source": the editable list of the video devices with a live
// preview of the one named by its text. Its capture component is destroyed when
// it closes, so it serves one choice per run.
class TChooseVSForm : public QDialog {
  Q_OBJECT

 public:
  explicit TChooseVSForm(Prompts& prompts, QWidget* parent = nullptr);
  ~TChooseVSForm() override;

  // Fills the list and puts the first name in the edit field.
  void setDeviceNames(const QStringList& names);
  QString chosenText() const;
  // The preview component while the chooser is in use, else null.
  TVideoCapture* VideoCapture1() const { return m_capture.get(); }

  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow() { ComboBox1CloseUp(); }
  void ComboBox1CloseUp();
  void FormClose();

  Prompts& m_prompts;
  QComboBox* m_comboBox;
  std::unique_ptr<TVideoCapture> m_capture;
};
