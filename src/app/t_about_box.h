#pragma once

#include <QDialog>

// The about box of the Help menu: picture, name, version, notice and the maker's
// information address as a mail link.
class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutBox(QWidget* parent = nullptr);

 private:
  void BitBtn1Click() { accept(); }
  void Label1Click();
};
