#pragma once

#include <QImage>
#include <QWidget>

// Draws a picture at its own size from the top-left corner, clipped to the pane.
class PicturePane : public QWidget {
  Q_OBJECT

 public:
  explicit PicturePane(QWidget* parent = nullptr);

  // Loads the file; one that cannot be read or decoded leaves the pane empty.
  void loadFromFile(const QString& path);
  const QImage& picture() const { return m_picture; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage m_picture;
};
