#pragma once

#include <QString>
#include <QStringList>

class Prompts;

// The two setup wizard plugins of the Wizards menu. A plugin is looked up by absolute
// path in the given folders, in order; its handle stays loaded from its first run until
// unloadAll(), so a wizard still showing a window of its own keeps its code.
class WizardLibraries {
 public:
  struct Plugin {
    QString relativePath;  // below a search folder, e.g. "FTP/libftpwiz.so"
    const char* entryPoint;
  };
  static const Plugin kFtpWizard;
  static const Plugin kMailWizard;

  WizardLibraries(Prompts& prompts, QStringList folders);
  ~WizardLibraries();
  WizardLibraries(const WizardLibraries&) = delete;
  WizardLibraries& operator=(const WizardLibraries&) = delete;

  // Loads the plugin, stores its handle and calls its entry point, which returns once
  // the wizard has finished; a plugin that cannot be loaded or lacks its entry point is
  // told in a message box instead.
  void runFtpWizard() { run(kFtpWizard, FtpWizardLib); }
  void runMailWizard() { run(kMailWizard, MailWizardLib); }
  // Unloads each stored handle once.
  void unloadAll();

  void* FtpWizardLib = nullptr;
  void* MailWizardLib = nullptr;

 private:
  void run(const Plugin& plugin, void*& handle);
  QString find(const QString& relativePath) const;

  Prompts& m_prompts;
  QStringList m_folders;
};
