// The wizard plugins as the main window uses them: loaded by path, the entry point
// called, unloaded. Nothing of theirs may stay behind.
#include "support/python_server.h"
#include "wizard_fixture.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWizard>

#include <dlfcn.h>

#include <functional>

namespace {

bool isLoaded(const char* path) {
  void* handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
  if (handle)
    dlclose(handle);
  return handle != nullptr;
}

// Loads the plugin, calls its entry point with `drive` run on its wizard, unloads it.
void runPlugin(const char* path, const char* entryPoint, const std::function<void(QWizard&)>& drive) {
  ASSERT_FALSE(isLoaded(path));
  void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  const auto entry = reinterpret_cast<void (*)()>(dlsym(handle, entryPoint));
  ASSERT_NE(entry, nullptr);
  const qsizetype windowsBefore = QApplication::topLevelWidgets().size();
  bool driven = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (auto* wizard = qobject_cast<QWizard*>(QApplication::activeModalWidget())) {
      poll.stop();
      driven = true;
      drive(*wizard);
      if (wizard->isVisible())  // a failed check must not leave the entry point waiting
        wizard->reject();
    }
  });
  poll.start(10);
  entry();
  EXPECT_TRUE(driven);
  EXPECT_EQ(QApplication::topLevelWidgets().size(), windowsBefore);
  ASSERT_EQ(dlclose(handle), 0);
  EXPECT_FALSE(isLoaded(path));
}

class WizardPlugins : public ::testing::Test {
 protected:
  WizardPlugins() : m_previous(qgetenv("QUORVEX_HOME")) { qputenv("QUORVEX_HOME", home.path().toUtf8()); }
  ~WizardPlugins() override { qputenv("QUORVEX_HOME", m_previous); }

  TempHome home;

 private:
  QByteArray m_previous;
};

// The FTP wizard completes with a test against a real server and saves in QUORVEX_HOME.
TEST_F(WizardPlugins, TheFtpWizardRunsToTheEndAndIsGoneOnceUnloaded) {
  QTemporaryDir root;
  PythonServer server(QStringLiteral("ftp_test_server.py"),
                      {root.path(), QStringLiteral("cam"), QStringLiteral("secret")});
  ASSERT_NE(server.port(), 0);
  runPlugin(QUORVEX_FTP_WIZARD_PLUGIN, "FTPWizard", [&](QWizard& wizard) {
    wizard.findChild<QLineEdit*>(QStringLiteral("Server"))->setText(server.address());
    wizard.findChild<QLineEdit*>(QStringLiteral("UserName"))->setText(QStringLiteral("cam"));
    wizard.findChild<QLineEdit*>(QStringLiteral("Password"))->setText(QStringLiteral("secret"));
    wizard.next();
    wizard.next();
    // (The plugin's classes are its own: it is seen through its widgets only.)
    QAbstractButton* finishButton = wizard.button(QWizard::FinishButton);
    ASSERT_TRUE(waitUntil([finishButton] { return finishButton->isEnabled(); }, std::chrono::seconds(90)));
    EXPECT_EQ(wizard.currentPage()->findChild<QLabel*>(QStringLiteral("Outcome"))->text(),
              "The test file was stored in the folder and deleted again: pictures can be uploaded.");
    finishButton->click();
  });
  EXPECT_EQ(storedValues(home.settingsFile())["FTPServer"], text(server.address()));
}

// Closed while its test waits on a server that never answers: the test's thread ends
// with the wizard, before the entry point returns.
TEST_F(WizardPlugins, TheEmailWizardClosedDuringItsTestLeavesNoThreadAndIsGoneOnceUnloaded) {
  QTcpServer silent;
  ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
  runPlugin(QUORVEX_MAIL_WIZARD_PLUGIN, "Wizard", [&](QWizard& wizard) {
    wizard.findChild<QLineEdit*>(QStringLiteral("Server"))
        ->setText(QStringLiteral("127.0.0.1:%1").arg(silent.serverPort()));
    wizard.findChild<QLineEdit*>(QStringLiteral("FromAddress"))->setText(QStringLiteral("cam@example.org"));
    wizard.findChild<QLineEdit*>(QStringLiteral("FirstRecipient"))->setText(QStringLiteral("me@example.org"));
    for (int i = 0; i < 3; ++i) wizard.next();
    EXPECT_FALSE(wizard.button(QWizard::FinishButton)->isEnabled()) << "the test runs";
    ASSERT_TRUE(waitUntil([&silent] { return silent.hasPendingConnections(); }));
    wizard.reject();
  });
  EXPECT_EQ(storedValues(home.settingsFile()).count("EMailServer"), 0u);
}

}  // namespace
