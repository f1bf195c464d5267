// A stand-in setup wizard for the launcher's tests: each entry point counts its runs in
// the settings of QUORVEX_HOME ("TestWizardRuns") and names itself ("TestWizardEntry").
#include "base/program_paths.h"
#include "base/settings_keys.h"
#include "base/settings_store.h"

namespace {

void recordRun(const char* entryPoint) {
  SettingsStore settings(ProgramPaths::locate(qEnvironmentVariable("QUORVEX_HOME")).settingsFile);
  if (!settings.OpenKey(applicationKey(), true))
    return;
  const QString runs = QStringLiteral("TestWizardRuns");
  settings.WriteInteger(runs, settings.ValueExists(runs) ? settings.ReadInteger(runs) + 1 : 1);
  settings.WriteString(QStringLiteral("TestWizardEntry"), QString::fromLatin1(entryPoint));
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void FTPWizard() { recordRun("FTPWizard"); }
extern "C" __attribute__((visibility("default"))) void Wizard() { recordRun("Wizard"); }
