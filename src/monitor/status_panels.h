#pragma once

#include <QStatusBar>

#include <array>

class QLabel;

// The camera window's status bar: three panels of fixed widths, cut at the
// window's edge rather than widening it.
class StatusPanels : public QStatusBar {
  Q_OBJECT

 public:
  explicit StatusPanels(QWidget* parent = nullptr);

  QString panelText(int panel) const;
  void setPanelText(int panel, const QString& text);
  // A notice that may not fit its panel: the whole text is also the panel's tooltip.
  void setNotice(int panel, const QString& text);

 private:
  std::array<QLabel*, 3> m_panels{};
};
