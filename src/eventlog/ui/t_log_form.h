#pragma once

#include "base/prompts.h"

#include <QWidget>

#include <functional>

class EventLog;
class LineNumberedText;
class QLabel;
class QTreeWidget;

// The event log viewer: a tree of the log's cameras, newest section first, each
// with the six categories below it; a mouse click on a category lists that
// camera's messages of the category in file order. It only reads the log. Shown
// without waiting and reused; the camera list is read each time it is shown.
class TLogForm : public QWidget {
  Q_OBJECT

 public:
  // The main window's log, or null while it has none open.
  using LogSource = std::function<EventLog*()>;

  TLogForm(Prompts& prompts, LogSource log, QWidget* parent = nullptr);

  QTreeWidget* TreeView1;
  QLabel* Label1;
  LineNumberedText* AdvMemo1;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();
  void TreeView1Click();

  Prompts& m_prompts;
  LogSource m_log;
};
