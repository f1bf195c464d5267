#include "t_about.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

TAbout::TAbout(QWidget* parent) : QDialog(parent), m_ok(new QPushButton(QStringLiteral("OK"), this)) {
  setWindowTitle(QStringLiteral("Quorvex"));
  setFixedSize(345, 307);
  m_ok->setObjectName(QStringLiteral("BitBtn1"));
  auto* layout = new QVBoxLayout(this);
  layout->addStretch();
  layout->addWidget(m_ok, 0, Qt::AlignRight);
  connect(m_ok, &QPushButton::clicked, this, &TAbout::BitBtn1Click);
}

void TAbout::splashme() {
  m_splash = true;
  // Stays on top of the main window while the start-up works, but gives way to the
  // first dialog it shows: a box or chooser under the splash could not be answered.
  QApplication::instance()->installEventFilter(this);
  setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  // The corners are see-through, so the window shows as the rounded picture.
  setAttribute(Qt::WA_TranslucentBackground);
  m_ok->hide();
  setFixedSize(345, 307);
  show();
  repaint();
}

bool TAbout::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show && watched != this) {
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (widget && widget->isWindow() && (widget->isModal() || widget->windowType() == Qt::Dialog)) {
      QApplication::instance()->removeEventFilter(this);
      hide();
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TAbout::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath shape;
  shape.addRoundedRect(QRectF(rect()), m_splash ? 24 : 0, m_splash ? 24 : 0);
  QLinearGradient background(0, 0, 0, height());
  background.setColorAt(0, QColor(28, 54, 92));
  background.setColorAt(1, QColor(8, 18, 36));
  painter.fillPath(shape, background);

  const QPixmap picture = windowIcon().pixmap(128, 128);
  painter.drawPixmap((width() - 128) / 2, 50, picture);
  QFont font = painter.font();
  font.setPointSize(28);
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(QRect(0, 190, width(), 60), Qt::AlignCenter, QStringLiteral("Quorvex"));
}
