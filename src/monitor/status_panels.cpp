#include "status_panels.h"

#include <QLabel>

StatusPanels::StatusPanels(QWidget* parent) : QStatusBar(parent) {
  setObjectName(QStringLiteral("StatusBar1"));
  setSizeGripEnabled(false);
  // The panels keep their widths and are cut at the window's edge; they must not
  // widen the window beyond its opening size.
  setSizePolicy(QSizePolicy::Ignored, sizePolicy().verticalPolicy());
  const int widths[] = {100, 150, 150};
  for (std::size_t i = 0; i < m_panels.size(); ++i) {
    m_panels[i] = new QLabel(this);
    m_panels[i]->setFixedWidth(widths[i]);
    addWidget(m_panels[i]);
  }
}

QString StatusPanels::panelText(int panel) const { return m_panels.at(panel)->text(); }

// A notice's tooltip goes with it.
void StatusPanels::setPanelText(int panel, const QString& text) {
  m_panels.at(panel)->setText(text);
  m_panels.at(panel)->setToolTip({});
}

void StatusPanels::setNotice(int panel, const QString& text) {
  setPanelText(panel, text);
  m_panels.at(panel)->setToolTip(text);
}
