#pragma once

#include <QLabel>
#include <QTimer>

// The balloon where the desktop has no system tray: a small frameless notice in
// the screen's lower right corner with the balloon's title and text, which hides
// itself after the timeout.
class TrayNotice : public QLabel {
  Q_OBJECT

 public:
  explicit TrayNotice(QWidget* parent = nullptr);

  void showNotice(const QString& title, const QString& text, int timeoutMs);
  QString title() const { return m_title; }
  QString text() const { return m_text; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QString m_title;
  QString m_text;
  QTimer m_timer;
};
