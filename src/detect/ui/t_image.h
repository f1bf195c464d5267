#pragma once

#include <QImage>
#include <QWidget>

// A picture shown unscaled from the top-left corner. Reports the mouse in picture
// coordinates; it tracks the pointer, so moves arrive without a button held.
class TImage : public QWidget {
  Q_OBJECT

 public:
  explicit TImage(QWidget* parent = nullptr);

  const QImage& picture() const { return m_picture; }
  void setPicture(QImage picture);
  // Draw on the returned image, then call update() to show the change.
  QImage& canvas() { return m_picture; }

 signals:
  void mousePressed(Qt::MouseButton button);
  void mouseMoved(QPoint position);
  void mouseReleased(Qt::MouseButton button);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QImage m_picture;
};
