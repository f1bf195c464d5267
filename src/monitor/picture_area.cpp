#include "picture_area.h"

#include "base/canvas.h"
#include "base/frame_bitmap.h"

#include <QAction>
#include <QPainter>

#include <cstring>
#include <utility>

PictureArea::PictureArea(Canvas& canvas, std::function<void()> doubleClicked, QWidget* parent)
    : QWidget(parent), m_canvas(canvas), m_doubleClicked(std::move(doubleClicked)) {
  setObjectName(QStringLiteral("PaintBox1"));
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  FitPicture = new QAction(QStringLiteral("Fit Picture"), this);
  FitPicture->setObjectName(QStringLiteral("FitPicture"));
  FitPicture->setCheckable(true);
  FitPicture->setChecked(true);
  connect(FitPicture, &QAction::toggled, this, [this] { update(); });
  addAction(FitPicture);
  setContextMenuPolicy(Qt::ActionsContextMenu);
}

void PictureArea::showFrame(const FrameBitmap& frame) {
  QImage& picture = m_canvas.image();
  const QImage& image = frame.image();
  if (picture.size() != image.size() || picture.format() != image.format())
    picture = QImage(image.size(), image.format());
  const auto rowBytes = static_cast<std::size_t>(image.width()) * 3;
  for (int y = 0; y < image.height(); ++y) std::memcpy(picture.scanLine(y), image.constScanLine(y), rowBytes);
  update();
}

void PictureArea::markMotion() {
  m_canvas.setBrushColor(Qt::red);
  {
    QPainter painter(&m_canvas.image());
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(m_canvas.brushColor());
    painter.drawEllipse(QRect(10, 10, 19, 19));  // 20 by 20 pixels with the pen
  }
  m_canvas.setBrushColor(Qt::white);  // the detector outlines cells in white
  update();
}

QRect PictureArea::pictureRect() const {
  const QSize picture = m_canvas.image().size();
  if (picture.isEmpty())
    return {};
  if (!FitPicture->isChecked())
    return QRect(QPoint(0, 0), picture);
  const QSize fitted = picture.scaled(size(), Qt::KeepAspectRatio);
  return QRect(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
}

// Scaled while painting, without smoothing: no copy of the frame is made.
void PictureArea::paintEvent(QPaintEvent*) {
  const QRect target = pictureRect();
  if (!target.isEmpty())
    QPainter(this).drawImage(target, m_canvas.image());
}

void PictureArea::mouseDoubleClickEvent(QMouseEvent*) { m_doubleClicked(); }
