#pragma once

#include <QObject>
#include <QString>

#include <functional>

class Prompts;
class QWidget;

// F1 over any window of the program opens the help page at that window's topic:
// the "helpContext" of the focused widget or of the nearest widget above it that
// has one (a message box carries its message's), as the page's anchor
// "context-N". Watches the whole application from its construction on.
class ContextHelp : public QObject {
  Q_OBJECT

 public:
  // helpFile gives the page's path, empty when it is not installed.
  ContextHelp(Prompts& prompts, std::function<QString()> helpFile, QObject* parent = nullptr);

  // Opens the page at the topic of `context`, at its top for 0. Says in a box
  // when the page is missing or no program could be started to show it.
  void open(int context);
  static int contextOf(const QWidget* widget);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Prompts& m_prompts;
  std::function<QString()> m_helpFile;
};
