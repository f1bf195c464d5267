#include "tray_notice.h"

#include <QGuiApplication>
#include <QScreen>

TrayNotice::TrayNotice(QWidget* parent)
    : QLabel(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("TrayNotice"));
  setAttribute(Qt::WA_ShowWithoutActivating);
  setTextFormat(Qt::RichText);
  setWordWrap(true);
  setMargin(10);
  setFixedWidth(320);
  setStyleSheet(
      QStringLiteral("TrayNotice { background: #ffffe1; color: black; border: 1px solid #767676; }"));
  m_timer.setSingleShot(true);
  connect(&m_timer, &QTimer::timeout, this, &QWidget::hide);
}

void TrayNotice::showNotice(const QString& title, const QString& text, int timeoutMs) {
  m_title = title;
  m_text = text;
  setText(QStringLiteral("<b>%1</b><br>%2").arg(title.toHtmlEscaped(), text.toHtmlEscaped()));
  adjustSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.right() - width() - 12, area.bottom() - height() - 12);
  }
  show();
  m_timer.start(timeoutMs);
}

void TrayNotice::mousePressEvent(QMouseEvent*) { hide(); }
