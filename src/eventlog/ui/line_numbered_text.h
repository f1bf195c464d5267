#pragma once

#include <QPlainTextEdit>

// A read-only text pane in a fixed-pitch font with a gutter of line numbers
// (from 1), no word wrap and a line at the right margin.
class LineNumberedText : public QPlainTextEdit {
  Q_OBJECT

 public:
  static constexpr int kRightMarginColumn = 80;

  explicit LineNumberedText(QWidget* parent = nullptr);

  int gutterWidth() const;
  // Adds the line below the last one, without clearing the pane.
  void appendLine(const QString& line);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  class Gutter;
  void paintGutter(QPaintEvent* event);
  void updateGutter(const QRect& rect, int dy);

  Gutter* m_gutter;
};
