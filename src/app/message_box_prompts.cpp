#include "message_box_prompts.h"

#include "app/headless_prompts.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

namespace {

QMessageBox::Icon toQt(Prompts::Icon icon) {
  switch (icon) {
    case Prompts::Icon::None: return QMessageBox::NoIcon;
    case Prompts::Icon::Information: return QMessageBox::Information;
    case Prompts::Icon::Warning: return QMessageBox::Warning;
    case Prompts::Icon::Error: return QMessageBox::Critical;
    case Prompts::Icon::Question: return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toQt(Prompts::Buttons buttons) {
  using B = QMessageBox;
  switch (buttons) {
    case Prompts::Buttons::Ok: return B::Ok;
    case Prompts::Buttons::OkCancel: return B::Ok | B::Cancel;
    case Prompts::Buttons::YesNo: return B::Yes | B::No;
    case Prompts::Buttons::YesNoCancel: return B::Yes | B::No | B::Cancel;
    case Prompts::Buttons::RetryCancel: return B::Retry | B::Cancel;
    case Prompts::Buttons::AbortRetryIgnore: return B::Abort | B::Retry | B::Ignore;
    case Prompts::Buttons::AbortIgnore: return B::Abort | B::Ignore;
  }
  return B::Ok;
}

Prompts::Answer fromQt(int button) {
  switch (button) {
    case QMessageBox::Cancel: return Prompts::Answer::Cancel;
    case QMessageBox::Yes: return Prompts::Answer::Yes;
    case QMessageBox::No: return Prompts::Answer::No;
    case QMessageBox::Retry: return Prompts::Answer::Retry;
    case QMessageBox::Abort: return Prompts::Answer::Abort;
    case QMessageBox::Ignore: return Prompts::Answer::Ignore;
    default: return Prompts::Answer::Ok;
  }
}

}  // namespace

Prompts::Answer MessageBoxPrompts::messageBox(const Message& message) {
  QString text = message.text;
  text.replace(u'\r', u'\n');  // texts keep their CR breaks until shown
  QMessageBox box(toQt(message.icon), message.caption, text, toQt(message.buttons),
                  QApplication::activeWindow());
  box.setProperty("helpContext", message.helpContext);
  if (!message.detail.isEmpty()) {
    QString detail = message.detail;
    box.setDetailedText(detail.replace(u'\r', u'\n'));
    // Also for the terminal or journal the program was started from; standard
    // output carries only the event log.
    std::fprintf(stderr, "%s\n", HeadlessPrompts::oneLine(message).toLocal8Bit().constData());
    std::fflush(stderr);
  }
  return fromQt(box.exec());
}

void MessageBoxPrompts::beep() { QApplication::beep(); }
