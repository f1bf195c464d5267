#pragma once

#include <QListView>

class ThumbnailModel;

// A one-row strip of thumbnails, one per file, several selectable at once; the
// current item carries the focus frame. Pictures are decoded only for the cells
// that are drawn (ThumbnailModel).
class ThumbnailStrip : public QListView {
  Q_OBJECT

 public:
  explicit ThumbnailStrip(QWidget* parent = nullptr);

  ThumbnailModel* thumbnails() const { return m_model; }
  void setFiles(const QStringList& paths);
  int count() const;
  QString path(int row) const;
  // The current item's position; -1 in an empty strip.
  int currentRow() const;
  // Makes the item current and the only one selected, and scrolls to it.
  void setCurrentRow(int row);
  bool isSelected(int row) const;
  void removeRow(int row);
  // The rows whose cells lie in the visible part of the strip, first to last.
  QList<int> visibleRows() const;

 private:
  ThumbnailModel* m_model;
};
