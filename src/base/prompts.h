#pragma once

#include <QString>

// Message boxes and the default beep. The application shows real message boxes;
// tests install a scripted one that records the texts and gives the answers.
class Prompts {
 public:
  enum class Icon { None, Information, Warning, Error, Question };
  enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore, AbortIgnore };
  enum class Answer { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

  struct Message {
    QString text;  // line breaks as CR, turned into real breaks only when shown
    QString caption;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    int helpContext = 0;
    QString detail = {};  // more about the message (what failed and why), CR line breaks
  };

  // The caption of the program's own message boxes.
  static QString programCaption() { return QStringLiteral("Quorvex"); }

  virtual ~Prompts() = default;
  virtual Answer messageBox(const Message& message) = 0;
  virtual void beep() = 0;
};
