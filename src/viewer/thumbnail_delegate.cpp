#include "thumbnail_delegate.h"

#include <QAbstractItemView>
#include <QImage>
#include <QPainter>
#include <QStyle>

namespace {

constexpr int kMargin = 4;

}  // namespace

ThumbnailDelegate::ThumbnailDelegate(int cellSize, QObject* parent)
    : QStyledItemDelegate(parent), m_cellSize(cellSize) {}

QSize ThumbnailDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
  return {m_cellSize + 4 * kMargin, m_cellSize + option.fontMetrics.height() + 3 * kMargin};
}

void ThumbnailDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
  painter->save();
  const QRect cell = option.rect;
  const bool selected = option.state & QStyle::State_Selected;
  if (selected)
    painter->fillRect(cell, option.palette.highlight());

  const QRect square(cell.left() + (cell.width() - m_cellSize) / 2, cell.top() + kMargin, m_cellSize,
                     m_cellSize);
  const QImage thumbnail = index.data(Qt::DecorationRole).value<QImage>();
  if (!thumbnail.isNull()) {
    const QSize size = thumbnail.size();
    const QPoint at(square.left() + (square.width() - size.width()) / 2,
                    square.top() + (square.height() - size.height()) / 2);
    painter->drawImage(at, thumbnail);
  }

  const QRect caption(cell.left() + kMargin, square.bottom() + kMargin, cell.width() - 2 * kMargin,
                      option.fontMetrics.height());
  const QString text =
      option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, caption.width());
  painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
  painter->drawText(caption, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, text);

  // The current item is framed whether or not the strip has the keyboard focus.
  const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
  if (view && view->currentIndex() == index) {
    QStyleOptionFocusRect frame;
    frame.QStyleOption::operator=(option);
    frame.rect = cell.adjusted(1, 1, -1, -1);
    frame.state |= QStyle::State_KeyboardFocusChange;
    frame.backgroundColor = option.palette.color(selected ? QPalette::Highlight : QPalette::Base);
    view->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, painter, view);
  }
  painter->restore();
}
