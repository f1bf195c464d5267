#pragma once

#include <QStyledItemDelegate>

// Draws a thumbnail cell: the picture centred in a square of the cell size, the
// file name centred below it on one line (cut with an ellipsis), the cell
// highlighted when selected and framed when current (the cell's view is
// option.widget). Every cell has the same
// size, so the view never asks an item for its size.
class ThumbnailDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  explicit ThumbnailDelegate(int cellSize, QObject* parent = nullptr);

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  int m_cellSize;
};
