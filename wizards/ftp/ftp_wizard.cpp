#include "ftp/ftp_wizard.h"

#include "base/error.h"
#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "common/account_test_page.h"
#include "common/field_checks.h"
#include "common/field_form.h"
#include "delivery/ftp_client.h"
#include "delivery/server_address.h"

#include <QMessageBox>
#include <QRegularExpression>

#include <chrono>

namespace {

using FieldChecks::Presence;
constexpr quint16 kFtpPort = 21;

struct TestAccount {
  ServerAddress server;
  QString userName, password, folder;
};

// What an upload does, with a small file that is deleted again.
void storeTestFile(const TestAccount& account, std::stop_token stop) {
  using namespace std::chrono_literals;
  FtpClient client(account.server, {20s, 30s}, stop);
  try {
    client.connectToServer();
    client.login(account.userName, account.password);
    client.changeDirectory(account.folder);
    client.store(FtpWizard::testFileName(),
                 QByteArrayLiteral("Quorvex setup test: this file can be deleted.\n"));
    client.remove(FtpWizard::testFileName());
  } catch (const Error&) {
    client.quit();
    throw;
  }
  client.quit();
}

}  // namespace

// Matched on the FTP client's own texts. Made per call: the plugin
// keeps nothing once its wizard has closed.
QString plainFtpFailure(const QString& failure) {
  return plainWords(
      failure,
      {
          {QRegularExpression(QStringLiteral("refused (USER|PASS)")),
           QStringLiteral("The server refused the user name or password.")},
          {QRegularExpression(QStringLiteral("refused CWD")),
           QStringLiteral("The folder does not exist on the server, or you may not open it.")},
          {QRegularExpression(QStringLiteral("refused DELE")),
           QStringLiteral(
               "The test file was stored but could not be deleted again. Pictures can be uploaded; "
               "remove the test file by hand.")},
          {QRegularExpression(QStringLiteral("data connection|Cannot listen")),
           QStringLiteral("The server could not open the data connection back to this computer. A firewall "
                          "may be in the way.")},
          {QRegularExpression(QStringLiteral("refused (STOR|the transfer)")),
           QStringLiteral("The server did not accept the test file: you may not write to this folder, or it "
                          "is full.")},
          {QRegularExpression(QStringLiteral("not found"), QRegularExpression::CaseInsensitiveOption),
           QStringLiteral("This server name is not known. Check its spelling.")},
          {QRegularExpression(QStringLiteral("^No connection to")),
           QStringLiteral("Nothing answered at this server and port. Check the server name and port.")},
          {QRegularExpression(QStringLiteral("^Timed out")),
           QStringLiteral("The server did not answer in time.")},
      },
      QStringLiteral("The test upload failed."));
}

FtpWizard::FtpWizard(const QString& settingsFile, QWidget* parent)
    : QWizard(parent), m_settingsFile(settingsFile) {
  setObjectName(QStringLiteral("FtpWizard"));
  setWindowTitle(QStringLiteral("Quorvex FTP Setup"));
  setOption(QWizard::NoBackButtonOnStartPage);
  addServerPage();
  addProxyPage();
  m_testPage = new AccountTestPage(
      {QStringLiteral("Test upload"), QStringLiteral("Storing a test file on the server..."),
       QStringLiteral("The test file was stored in the folder and deleted again: pictures can be uploaded.")},
      [this] {
        const TestAccount account{*ServerAddress::parse(Server->text().trimmed(), kFtpPort), UserName->text(),
                                  Password->text(), Folder->text().trimmed()};
        return AccountTestPage::Test([account](std::stop_token stop) { storeTestFile(account, stop); });
      },
      &plainFtpFailure);
  setPage(TestPage, m_testPage);
  loadStoredValues();
}

FtpWizard::~FtpWizard() = default;

void FtpWizard::addServerPage() {
  auto* page = new QWizardPage;
  page->setTitle(QStringLiteral("FTP server"));
  page->setSubTitle(QStringLiteral("Where the pictures are uploaded, as your provider names it."));
  m_serverForm = std::make_unique<FieldForm>(page);
  Server = m_serverForm->add(QStringLiteral("&Server:"), QStringLiteral("Server"),
                             QStringLiteral("ftp.example.org or ftp.example.org:2121"));
  UserName = m_serverForm->add(QStringLiteral("&User name:"), QStringLiteral("UserName"),
                               QStringLiteral("anonymous for a public server"));
  Password =
      m_serverForm->add(QStringLiteral("&Password:"), QStringLiteral("Password"), {}, QLineEdit::Password);
  Folder = m_serverForm->add(QStringLiteral("&Folder:"), QStringLiteral("Folder"),
                             QStringLiteral("empty: the folder you start in"));
  setPage(ServerPage, page);
}

void FtpWizard::addProxyPage() {
  auto* page = new QWizardPage;
  page->setTitle(QStringLiteral("Proxy (optional)"));
  page->setSubTitle(
      QStringLiteral("Only if your network administrator gave you an FTP proxy. Quorvex keeps "
                     "these values, but connects to the FTP server directly."));
  m_proxyForm = std::make_unique<FieldForm>(page);
  Proxy = m_proxyForm->add(QStringLiteral("P&roxy:"), QStringLiteral("Proxy"),
                           QStringLiteral("proxy.example.org"));
  ProxyPort = m_proxyForm->add(QStringLiteral("P&ort:"), QStringLiteral("ProxyPort"), QStringLiteral("8080"));
  ProxyUserName = m_proxyForm->add(QStringLiteral("Proxy &user name:"), QStringLiteral("ProxyUserName"));
  ProxyPassword = m_proxyForm->add(QStringLiteral("Proxy pass&word:"), QStringLiteral("ProxyPassword"), {},
                                   QLineEdit::Password);
  setPage(ProxyPage, page);
}

// A wizard run again starts from what is stored.
void FtpWizard::loadStoredValues() {
  SettingsStore settings(m_settingsFile);
  if (!settings.OpenKey(applicationKey(), false))
    return;
  const std::pair<QLineEdit*, const char*> fields[] = {{Server, "FTPServer"},
                                                       {UserName, "FTPUsername"},
                                                       {Password, "FTPPassword"},
                                                       {Folder, "FTPDirectory"},
                                                       {Proxy, "FTPProxy"},
                                                       {ProxyPort, "FTPProxyPort"},
                                                       {ProxyUserName, "FTPProxyUsername"},
                                                       {ProxyPassword, "FTPProxyPassword"}};
  for (const auto& [field, name] : fields) {
    try {
      field->setText(settings.ReadString(QString::fromLatin1(name)));
    } catch (const Error&) {
      // stored with another type: the field starts empty
    }
  }
}

bool FtpWizard::checkServer() {
  bool fine = m_serverForm->check(Server, FieldChecks::server(Server->text()));
  fine &= m_serverForm->check(UserName,
                              UserName->text().isEmpty()
                                  ? QStringLiteral("Enter the user name (anonymous for a public server).")
                                  : FieldChecks::singleLine(UserName->text()));
  fine &= m_serverForm->check(Password, FieldChecks::singleLine(Password->text()));
  fine &= m_serverForm->check(Folder, FieldChecks::singleLine(Folder->text()));
  return fine;
}

bool FtpWizard::checkProxy() {
  const bool withProxy = !Proxy->text().trimmed().isEmpty();
  bool fine = m_proxyForm->check(Proxy, withProxy ? FieldChecks::server(Proxy->text()) : QString());
  fine &= m_proxyForm->check(ProxyPort, FieldChecks::port(ProxyPort->text(), Presence::Optional));
  fine &= m_proxyForm->check(ProxyUserName, FieldChecks::singleLine(ProxyUserName->text()));
  fine &= m_proxyForm->check(ProxyPassword, FieldChecks::singleLine(ProxyPassword->text()));
  return fine;
}

bool FtpWizard::validateCurrentPage() {
  switch (currentId()) {
    case ServerPage: return checkServer();
    case ProxyPage: return checkProxy();
    default: return QWizard::validateCurrentPage();
  }
}

// A value that cannot be written keeps the wizard open with the reason.
void FtpWizard::accept() {
  try {
    save();
  } catch (const Error& error) {
    QMessageBox::warning(this, windowTitle(), error.message());
    return;
  }
  QWizard::accept();
}

// Proxy values are written only when given, so that an uploader sees none otherwise.
void FtpWizard::save() {
  SettingsStore settings(m_settingsFile);
  if (!settings.OpenKey(applicationKey(), true))
    throw Error(QStringLiteral("The settings cannot be saved: %1").arg(settings.openError()));
  settings.WriteString(QStringLiteral("FTPServer"), Server->text().trimmed());
  settings.WriteString(QStringLiteral("FTPUsername"), UserName->text());
  settings.WriteString(QStringLiteral("FTPPassword"), Password->text());
  settings.WriteString(QStringLiteral("FTPDirectory"), Folder->text().trimmed());
  const auto writeOrDelete = [&settings](bool present, const QString& name, const QString& value) {
    if (present)
      settings.WriteString(name, value);
    else
      settings.DeleteValue(name);
  };
  const bool proxy = !Proxy->text().trimmed().isEmpty();
  writeOrDelete(proxy, QStringLiteral("FTPProxy"), Proxy->text().trimmed());
  writeOrDelete(proxy, QStringLiteral("FTPProxyPort"), ProxyPort->text().trimmed());
  const bool proxyAccount = !ProxyUserName->text().isEmpty();
  writeOrDelete(proxyAccount, QStringLiteral("FTPProxyUsername"), ProxyUserName->text());
  writeOrDelete(proxyAccount, QStringLiteral("FTPProxyPassword"), ProxyPassword->text());
}
