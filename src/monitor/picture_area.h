#pragma once

#include <QImage>
#include <QWidget>

#include <functional>
#include <vector>

class Canvas;
class FrameBitmap;
class QAction;

// The camera window's live picture (`PaintBox1`). With "Fit Picture" on (the
// default), the canvas is scaled to the area keeping its aspect ratio, so a large
// frame shows whole in a small window; off, it is drawn unscaled from the top-left
// corner. Only the painting scales: the canvas itself keeps the frame's size. On a
// headless platform nothing is drawn unless asked for (grab).
class PictureArea : public QWidget {
  Q_OBJECT

 public:
  PictureArea(Canvas& canvas, std::function<void()> doubleClicked, QWidget* parent = nullptr);

  // The checkable "Fit Picture" item of the area's context menu.
  QAction* FitPicture;

  // Puts the frame on the canvas, which takes its size.
  void showFrame(const FrameBitmap& frame);
  // Marks the picture as showing motion: a red dot at its top-left.
  void markMotion();

  // Where the canvas is drawn in the area; empty without a picture.
  QRect pictureRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  Canvas& m_canvas;
  std::function<void()> m_doubleClicked;
  QImage m_shown;              // the part last painted, kept for its memory
  std::vector<int> m_columns;  // source byte offset of each painted column
};
