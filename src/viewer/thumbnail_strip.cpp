#include "thumbnail_strip.h"

#include "viewer/thumbnail_delegate.h"
#include "viewer/thumbnail_model.h"

#include <QScrollBar>

ThumbnailStrip::ThumbnailStrip(QWidget* parent) : QListView(parent), m_model(new ThumbnailModel(this)) {
  auto* delegate = new ThumbnailDelegate(ThumbnailModel::kCellSize, this);
  setItemDelegate(delegate);
  setModel(m_model);
  setViewMode(QListView::ListMode);
  setFlow(QListView::LeftToRight);
  setWrapping(false);
  // Every cell has the same size, so a folder of thousands lays out at once.
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  const QSize cell = delegate->sizeHint(QStyleOptionViewItem(), QModelIndex());
  setFixedHeight(cell.height() + horizontalScrollBar()->sizeHint().height() + 2 * frameWidth() + 4);
}

void ThumbnailStrip::setFiles(const QStringList& paths) { m_model->setFiles(paths); }

int ThumbnailStrip::count() const { return m_model->rowCount(); }

QString ThumbnailStrip::path(int row) const { return m_model->path(row); }

int ThumbnailStrip::currentRow() const {
  if (count() == 0)
    return -1;
  const QModelIndex current = currentIndex();
  return current.isValid() ? current.row() : 0;
}

void ThumbnailStrip::setCurrentRow(int row) {
  const QModelIndex index = m_model->index(row);
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  scrollTo(index);
}

bool ThumbnailStrip::isSelected(int row) const { return selectionModel()->isRowSelected(row); }

void ThumbnailStrip::removeRow(int row) { m_model->removeRows(row, 1); }

QList<int> ThumbnailStrip::visibleRows() const {
  QList<int> rows;
  const QModelIndex first = indexAt(QPoint(1, viewport()->height() / 2));
  if (!first.isValid())
    return rows;
  for (int row = first.row(); row < count(); ++row) {
    if (!visualRect(m_model->index(row)).intersects(viewport()->rect()))
      break;
    rows.append(row);
  }
  return rows;
}
