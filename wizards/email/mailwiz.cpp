// The e-mail setup wizard plugin: its one export is the entry point the main window calls.
#include "base/program_paths.h"
#include "email/email_wizard.h"

#include <QApplication>

#include <cstdio>

// Shows the wizard and returns when it is finished or cancelled. The settings are those
// of the running program (QUORVEX_HOME, else the user's configuration folder).
extern "C" __attribute__((visibility("default"))) void Wizard() {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
    std::fputs("The e-mail setup wizard needs a running Quorvex window.\n", stderr);
    return;
  }
  EmailWizard wizard(ProgramPaths::locate(qEnvironmentVariable("QUORVEX_HOME")).settingsFile);
  wizard.exec();
}
