#pragma once

#include <QDialog>

class QPushButton;

// The product window: the program picture and the name in large letters. splashme()
// turns it into the start-up splash, borderless with rounded corners, which hides
// when a dialog shows.
class TAbout : public QDialog {
  Q_OBJECT

 public:
  explicit TAbout(QWidget* parent = nullptr);

  void splashme();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void BitBtn1Click() { close(); }

  QPushButton* m_ok;
  bool m_splash = false;
};
