#include "line_numbered_text.h"

#include <QFontDatabase>
#include <QPaintEvent>
#include <QPainter>
#include <QTextBlock>

class LineNumberedText::Gutter : public QWidget {
 public:
  explicit Gutter(LineNumberedText* text) : QWidget(text), m_text(text) {}
  QSize sizeHint() const override { return {m_text->gutterWidth(), 0}; }

 protected:
  void paintEvent(QPaintEvent* event) override { m_text->paintGutter(event); }

 private:
  LineNumberedText* m_text;
};

LineNumberedText::LineNumberedText(QWidget* parent) : QPlainTextEdit(parent), m_gutter(new Gutter(this)) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setFamilies({QStringLiteral("Courier New"), font.family()});
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPixelSize(13);
  setFont(font);
  QPalette colours = palette();
  colours.setColor(QPalette::Base, Qt::white);
  colours.setColor(QPalette::Text, Qt::black);
  setPalette(colours);
  setReadOnly(true);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  connect(this, &QPlainTextEdit::blockCountChanged, this,
          [this] { setViewportMargins(gutterWidth(), 0, 0, 0); });
  connect(this, &QPlainTextEdit::updateRequest, this, &LineNumberedText::updateGutter);
  setViewportMargins(gutterWidth(), 0, 0, 0);
}

int LineNumberedText::gutterWidth() const {
  const int digits = QString::number(qMax(1, blockCount())).size();
  return 8 + fontMetrics().horizontalAdvance(u'9') * qMax(2, digits);
}

void LineNumberedText::appendLine(const QString& line) {
  QTextCursor end(document());
  end.movePosition(QTextCursor::End);
  end.insertText(u'\n' + line);
}

void LineNumberedText::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  const QRect contents = contentsRect();
  m_gutter->setGeometry(contents.left(), contents.top(), gutterWidth(), contents.height());
}

void LineNumberedText::updateGutter(const QRect& rect, int dy) {
  if (dy != 0)
    m_gutter->scroll(0, dy);
  else
    m_gutter->update(0, rect.y(), m_gutter->width(), rect.height());
}

void LineNumberedText::paintEvent(QPaintEvent* event) {
  QPlainTextEdit::paintEvent(event);
  // The right-margin line, where column kRightMarginColumn begins.
  QPainter painter(viewport());
  const int x = int(contentOffset().x() + document()->documentMargin() +
                    fontMetrics().horizontalAdvance(QString(kRightMarginColumn, u'9')));
  painter.setPen(QColor(Qt::lightGray));
  painter.drawLine(x, 0, x, viewport()->height());
}

void LineNumberedText::paintGutter(QPaintEvent* event) {
  QPainter painter(m_gutter);
  painter.fillRect(event->rect(), QColor(240, 240, 240));
  painter.setPen(Qt::darkGray);
  painter.setFont(font());
  QTextBlock block = firstVisibleBlock();
  int top = int(blockBoundingGeometry(block).translated(contentOffset()).top());
  while (block.isValid() && top <= event->rect().bottom()) {
    const int height = int(blockBoundingRect(block).height());
    if (block.isVisible() && top + height >= event->rect().top())
      painter.drawText(0, top, m_gutter->width() - 4, height, Qt::AlignRight | Qt::AlignVCenter,
                       QString::number(block.blockNumber() + 1));
    top += height;
    block = block.next();
  }
}
