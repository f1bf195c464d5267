#include "app/wizard_libraries.h"

#include "base/prompts.h"

#include <QFileInfo>

#include <dlfcn.h>

const WizardLibraries::Plugin WizardLibraries::kFtpWizard{QStringLiteral("FTP/libftpwiz.so"), "FTPWizard"};
const WizardLibraries::Plugin WizardLibraries::kMailWizard{QStringLiteral("EMail/libmailwiz.so"), "Wizard"};

WizardLibraries::WizardLibraries(Prompts& prompts, QStringList folders)
    : m_prompts(prompts), m_folders(std::move(folders)) {}

WizardLibraries::~WizardLibraries() { unloadAll(); }

// Only absolute paths: a relative one would load whatever the current folder holds.
QString WizardLibraries::find(const QString& relativePath) const {
  for (QString folder : m_folders) {
    if (!folder.endsWith(u'/'))
      folder += u'/';
    const QFileInfo file(folder + relativePath);
    if (file.isAbsolute() && file.isFile())
      return file.absoluteFilePath();
  }
  return {};
}

void WizardLibraries::run(const Plugin& plugin, void*& handle) {
  const auto tell = [this](const QString& text, const QString& detail) {
    m_prompts.messageBox(
        {text, Prompts::programCaption(), Prompts::Icon::None, Prompts::Buttons::Ok, 0, detail});
  };
  const QString path = find(plugin.relativePath);
  void* loaded =
      path.isEmpty() ? nullptr : dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
  // The loader counts a second load of the same file: the stored handle holds one count.
  if (loaded && loaded == handle)
    dlclose(loaded);
  handle = loaded;
  if (!loaded) {
    const char* reason = path.isEmpty() ? nullptr : dlerror();
    tell(plugin.relativePath + QStringLiteral(" library not found"),
         reason ? QString::fromLocal8Bit(reason)
                : QStringLiteral("Looked for in: %1").arg(m_folders.join(QStringLiteral(", "))));
    return;
  }
  dlerror();
  using EntryPoint = void (*)();
  const auto entryPoint = reinterpret_cast<EntryPoint>(dlsym(loaded, plugin.entryPoint));
  if (!entryPoint) {
    tell(QStringLiteral("Error in DLL : ") + QFileInfo(plugin.relativePath).fileName(),
         QStringLiteral("%1 has no entry point \"%2\".").arg(path, QString::fromLatin1(plugin.entryPoint)));
    return;
  }
  entryPoint();
}

void WizardLibraries::unloadAll() {
  for (void** handle : {&FtpWizardLib, &MailWizardLib}) {
    if (*handle)
      dlclose(*handle);
    *handle = nullptr;
  }
}
