#include "context_help.h"

#include "base/prompts.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QUrl>
#include <QWidget>

#include <utility>

ContextHelp::ContextHelp(Prompts& prompts, std::function<QString()> helpFile, QObject* parent)
    : QObject(parent), m_prompts(prompts), m_helpFile(std::move(helpFile)) {
  QCoreApplication::instance()->installEventFilter(this);
}

int ContextHelp::contextOf(const QWidget* widget) {
  for (; widget; widget = widget->parentWidget()) {
    const int context = widget->property("helpContext").toInt();
    if (context > 0)
      return context;
  }
  return 0;
}

void ContextHelp::open(int context) {
  const QString file = m_helpFile();
  if (file.isEmpty()) {
    m_prompts.messageBox({QStringLiteral("The help file Help/Quorvex.html is not installed."),
                          Prompts::programCaption(), Prompts::Icon::Error, Prompts::Buttons::Ok, 0});
    return;
  }
  QUrl url = QUrl::fromLocalFile(file);
  if (context > 0)
    url.setFragment(QStringLiteral("context-%1").arg(context));
  if (!QDesktopServices::openUrl(url))
    m_prompts.messageBox(
        {QStringLiteral("No program could be started to show the help.\rIt is the file %1").arg(file),
         Prompts::programCaption(), Prompts::Icon::Error, Prompts::Buttons::Ok, 0});
}

// The key reaches the focused widget first; taken there, it goes no further.
bool ContextHelp::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress)
    return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  const auto* widget = qobject_cast<QWidget*>(watched);
  if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier || !widget)
    return false;
  if (!key->isAutoRepeat())
    open(contextOf(widget));
  event->accept();
  return true;
}
