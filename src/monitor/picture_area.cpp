#include "picture_area.h"

#include "base/canvas.h"

#include <QAction>
#include <QPainter>

#include <utility>

PictureArea::PictureArea(const Canvas& canvas, std::function<void()> doubleClicked, QWidget* parent)
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
