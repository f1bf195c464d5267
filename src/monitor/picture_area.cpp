#include "picture_area.h"

#include "base/canvas.h"
#include "base/frame_bitmap.h"

#include <QAction>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>

#include <cstdint>
#include <utility>

namespace {

// Headless platforms show nobody the picture, so it is not drawn there unasked.
bool someoneSeesThePicture() {
  static const bool seen = QGuiApplication::platformName() != QLatin1String("offscreen") &&
                           QGuiApplication::platformName() != QLatin1String("minimal");
  return seen;
}

// Writes into shown the part `visible` of picture drawn scaled into `target`, as
// 32-bit pixels, sampling the nearest source pixel: only the pixels shown are read.
void sampleShownPart(const QImage& picture, const QRect& target, const QRect& visible,
                     std::vector<int>& columns, QImage& shown) {
  if (shown.size() != visible.size())
    shown = QImage(visible.size(), QImage::Format_RGB32);
  // Byte offsets of red and blue within a source pixel.
  const int red = picture.format() == QImage::Format_RGB888 ? 0 : 2;
  const int blue = 2 - red;
  columns.resize(static_cast<std::size_t>(visible.width()));
  for (int x = 0; x < visible.width(); ++x) {
    const std::int64_t along = visible.x() - target.x() + x;
    columns[static_cast<std::size_t>(x)] =
        static_cast<int>((2 * along + 1) * picture.width() / (2 * target.width())) * 3;
  }
  for (int y = 0; y < visible.height(); ++y) {
    const std::int64_t down = visible.y() - target.y() + y;
    const uchar* source =
        picture.constScanLine(static_cast<int>((2 * down + 1) * picture.height() / (2 * target.height())));
    auto* row = reinterpret_cast<quint32*>(shown.scanLine(y));
    for (int x = 0; x < visible.width(); ++x) {
      const uchar* pixel = source + columns[static_cast<std::size_t>(x)];
      row[x] = 0xff000000u | quint32(pixel[red]) << 16 | quint32(pixel[1]) << 8 | pixel[blue];
    }
  }
}

}  // namespace

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

// The canvas shares the frame's pixels; the detector's outlines and the motion mark
// give it a copy of its own the moment they draw, so the frame stays as it came.
void PictureArea::showFrame(const FrameBitmap& frame) {
  m_canvas.image() = frame.image();
  if (someoneSeesThePicture())
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
  if (someoneSeesThePicture())
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

// Scaled while painting, without smoothing. A 24-bit picture is sampled here, only
// where it is shown: drawn whole, it would be converted whole on every paint.
void PictureArea::paintEvent(QPaintEvent* event) {
  const QRect target = pictureRect();
  const QRect visible = target.intersected(event->rect());
  if (visible.isEmpty())
    return;
  const QImage& picture = m_canvas.image();
  QPainter painter(this);
  if (picture.format() != QImage::Format_BGR888 && picture.format() != QImage::Format_RGB888) {
    painter.drawImage(target, picture);
    return;
  }
  sampleShownPart(picture, target, visible, m_columns, m_shown);
  painter.drawImage(visible.topLeft(), m_shown);
}

void PictureArea::mouseDoubleClickEvent(QMouseEvent*) { m_doubleClicked(); }
