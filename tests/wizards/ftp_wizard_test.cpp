#include "ftp/ftp_wizard.h"

#include "support/files.h"
#include "support/python_server.h"
#include "wizard_fixture.h"

#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>

namespace {

struct Entries {
  QString server;
  QString userName = QStringLiteral("cam");
  QString password = QStringLiteral("secret");
  QString folder = QStringLiteral("up");
  QString proxy = {}, proxyPort = {}, proxyUserName = {}, proxyPassword = {};
};

void fill(FtpWizard& wizard, const Entries& entries) {
  wizard.Server->setText(entries.server);
  wizard.UserName->setText(entries.userName);
  wizard.Password->setText(entries.password);
  wizard.Folder->setText(entries.folder);
  wizard.Proxy->setText(entries.proxy);
  wizard.ProxyPort->setText(entries.proxyPort);
  wizard.ProxyUserName->setText(entries.proxyUserName);
  wizard.ProxyPassword->setText(entries.proxyPassword);
}

// A pyftpdlib server whose user "cam" may write to the folder "up" of its root.
class FtpWizardTest : public ::testing::Test {
 protected:
  FtpWizardTest() { EXPECT_TRUE(QDir(root.path()).mkdir(QStringLiteral("up"))); }

  QStringList folderContent() const {
    return QDir(root.filePath(QStringLiteral("up"))).entryList(QDir::Files | QDir::NoDotAndDotDot);
  }

  TempHome home;
  QTemporaryDir root;
  PythonServer server{QStringLiteral("ftp_test_server.py"),
                      {root.path(), QStringLiteral("cam"), QStringLiteral("secret")}};
};

TEST_F(FtpWizardTest, TheTestStoresAndDeletesAFileThenFinishSavesAnAccountThatUploads) {
  ASSERT_NE(server.port(), 0);
  FtpWizard wizard(home.settingsFile());
  wizard.show();
  fill(wizard, {server.address()});
  runTest(wizard, wizard.testPage());
  EXPECT_TRUE(wizard.testPage()->succeeded()) << wizard.testPage()->outcome().toStdString();
  EXPECT_EQ(wizard.testPage()->outcome(),
            "The test file was stored in the folder and deleted again: pictures can be uploaded.");
  EXPECT_TRUE(folderContent().isEmpty()) << folderContent().join(' ').toStdString();
  EXPECT_TRUE(storedValues(home.settingsFile()).empty()) << "saved before Finish";

  finish(wizard);
  const StoredValues expected = {{"FTPServer", text(server.address())},
                                 {"FTPUsername", text("cam")},
                                 {"FTPPassword", text("secret")},
                                 {"FTPDirectory", text("up")}};
  EXPECT_EQ(storedValues(home.settingsFile()), expected);

  writeFile(home.file("shot.jpg"), "\xFF\xD8 a picture \xFF\xD9");
  const auto [status, said] = sendWithQuorvex(home, {"ftp", home.file("shot.jpg")});
  EXPECT_EQ(status, 0) << said.toStdString();
  EXPECT_EQ(folderContent(), QStringList({"motion.jpg"}));
}

TEST_F(FtpWizardTest, AFailedTestIsToldInPlainWordsAndFinishSavesAllTheSame) {
  ASSERT_NE(server.port(), 0);
  struct Case {
    const char* name;
    std::function<void(Entries&)> change;
    QString words;
  };
  const Case cases[] = {
      {"wrong password", [](Entries& e) { e.password = "wrong"; },
       "The server refused the user name or password."},
      {"missing folder", [](Entries& e) { e.folder = "nowhere"; },
       "The folder does not exist on the server, or you may not open it."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Entries entries{server.address()};
    c.change(entries);
    FtpWizard wizard(home.settingsFile());
    wizard.show();
    fill(wizard, entries);
    runTest(wizard, wizard.testPage());
    EXPECT_FALSE(wizard.testPage()->succeeded());
    EXPECT_EQ(wizard.testPage()->outcome(), c.words);
    finish(wizard);
    EXPECT_EQ(storedValues(home.settingsFile())["FTPDirectory"], text(entries.folder));
    EXPECT_EQ(storedValues(home.settingsFile())["FTPPassword"], text(entries.password));
  }
}

// Proxy values are written only when given; an earlier proxy is removed with them.
TEST_F(FtpWizardTest, ProxyValuesAreTextAndOnlyThereWhenGiven) {
  Entries entries{QStringLiteral("ftp.example.org:2121")};
  entries.proxy = "proxy.example.org";
  entries.proxyPort = "3128";
  entries.proxyUserName = "me";
  entries.proxyPassword = "pw";
  {
    FtpWizard wizard(home.settingsFile());
    fill(wizard, entries);
    wizard.accept();
  }
  StoredValues values = storedValues(home.settingsFile());
  EXPECT_EQ(values["FTPProxy"], text("proxy.example.org"));
  EXPECT_EQ(values["FTPProxyPort"], text("3128"));
  EXPECT_EQ(values["FTPProxyUsername"], text("me"));
  EXPECT_EQ(values["FTPProxyPassword"], text("pw"));
  {
    FtpWizard wizard(home.settingsFile());
    EXPECT_EQ(wizard.ProxyPort->text(), "3128");  // a run again starts from what is stored
    wizard.Proxy->clear();
    wizard.ProxyUserName->clear();
    wizard.accept();
  }
  values = storedValues(home.settingsFile());
  for (const char* name : {"FTPProxy", "FTPProxyPort", "FTPProxyUsername", "FTPProxyPassword"})
    EXPECT_EQ(values.count(name), 0u) << name;
  EXPECT_EQ(values["FTPServer"], text("ftp.example.org:2121"));
}

TEST_F(FtpWizardTest, MalformedEntriesAreRefusedBesideTheirField) {
  struct Case {
    const char* name;
    std::function<void(Entries&)> change;
    FtpWizard::PageId page;
    QString field;
    QString note;
  };
  const Case cases[] = {
      {"no server", [](Entries& e) { e.server.clear(); }, FtpWizard::ServerPage, "Server",
       "Enter the server's name."},
      {"server as a web address", [](Entries& e) { e.server = "ftp://ftp.example.org"; },
       FtpWizard::ServerPage, "Server",
       "Write the server as name or name:port, with a port from 1 to 65535."},
      {"no user", [](Entries& e) { e.userName.clear(); }, FtpWizard::ServerPage, "UserName",
       "Enter the user name (anonymous for a public server)."},
      {"line break in the folder", [](Entries& e) { e.folder = "up\r\nDELE x"; }, FtpWizard::ServerPage,
       "Folder", "This cannot hold a line break."},
      {"proxy port not a number", [](Entries& e) { e.proxy = "proxy.example.org", e.proxyPort = "80a"; },
       FtpWizard::ProxyPage, "ProxyPort", "A port is a number from 1 to 65535."},
      {"proxy not a host", [](Entries& e) { e.proxy = "proxy example"; }, FtpWizard::ProxyPage, "Proxy",
       "\"proxy example\" is not a server name or address."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Entries entries{QStringLiteral("ftp.example.org")};
    c.change(entries);
    FtpWizard wizard(home.settingsFile());
    wizard.show();
    fill(wizard, entries);
    while (wizard.currentId() != c.page) wizard.next();
    wizard.next();
    EXPECT_EQ(wizard.currentId(), c.page);
    EXPECT_EQ(noteBeside(wizard, c.field), c.note);
  }
}

}  // namespace
