#include "t_image.h"

#include <QMouseEvent>
#include <QPainter>

TImage::TImage(QWidget* parent) : QWidget(parent) { setMouseTracking(true); }

void TImage::setPicture(QImage picture) {
  m_picture = std::move(picture);
  update();
}

void TImage::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, m_picture);
}

void TImage::mousePressEvent(QMouseEvent* event) { emit mousePressed(event->button()); }

void TImage::mouseMoveEvent(QMouseEvent* event) { emit mouseMoved(event->position().toPoint()); }

void TImage::mouseReleaseEvent(QMouseEvent* event) { emit mouseReleased(event->button()); }
