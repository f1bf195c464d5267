#include "picture_pane.h"

#include <QImageReader>
#include <QPainter>

PicturePane::PicturePane(QWidget* parent) : QWidget(parent) {
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
}

void PicturePane::loadFromFile(const QString& path) {
  QImageReader reader(path);
  m_picture = reader.read();
  update();
}

void PicturePane::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  if (!m_picture.isNull())
    painter.drawImage(0, 0, m_picture);
}
