#include "email/email_wizard.h"

#include "base/error.h"
#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "common/account_test_page.h"
#include "common/field_checks.h"
#include "common/field_form.h"
#include "delivery/mail_message.h"
#include "delivery/server_address.h"
#include "delivery/smtp_client.h"

#include <QComboBox>
#include <QDateTime>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRegularExpression>

#include <chrono>
#include <memory>

namespace {

using FieldChecks::Presence;
constexpr quint16 kTlsPort = 465;
constexpr quint16 kStartTlsPort = 587;
constexpr quint16 kPlainPort = 25;

quint16 defaultPort(EmailWizard::Security security) {
  switch (security) {
    case EmailWizard::Security::Tls: return kTlsPort;
    case EmailWizard::Security::StartTls: return kStartTlsPort;
    case EmailWizard::Security::Plain: break;
  }
  return kPlainPort;
}

// What the wizard writes, read on the UI thread for the test's thread.
struct TestAccount {
  ServerAddress server;
  EmailWizard::Security security;
  QString userName, password, trustedCa, from;
  QStringList recipients;
  QString text;
};

// As a motion event sends: a login only when a user name is given (the "Auth" value).
void sendTestMessage(const TestAccount& account, std::stop_token stop) {
  using namespace std::chrono_literals;
  SmtpClient client({account.server, account.userName, account.password, account.trustedCa},
                    account.userName.isEmpty() ? SmtpClient::Authentication::None
                                               : SmtpClient::Authentication::LoginOrPlain,
                    {20s, 30s}, stop);
  client.connectToServer();
  if (account.security == EmailWizard::Security::StartTls && !client.isEncrypted()) {
    client.disconnectFromServer();
    throw Error(QStringLiteral("The server does not offer STARTTLS."));
  }
  MailMessage message;
  message.senderName = QStringLiteral("Quorvex");
  message.senderAddress = account.from;
  message.recipients = account.recipients;
  message.subject = QStringLiteral("Quorvex test message");
  message.bodyLines = QStringList{QStringLiteral("This is the test message of the Quorvex e-mail setup."),
                                  QStringLiteral("Pictures of motion will come this way."), QString()} +
                      account.text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
  message.date = QDateTime::currentDateTime();
  try {
    client.send(message);
  } catch (const Error&) {
    client.disconnectFromServer();
    throw;
  }
  client.disconnectFromServer();
}

}  // namespace

// Matched on the SMTP client's own texts. Made per call: the plugin
// keeps nothing once its wizard has closed.
QString plainSmtpFailure(const QString& failure) {
  return plainWords(
      failure,
      {
          {QRegularExpression(
               QStringLiteral("answered (the user name|the password|AUTH PLAIN|AUTH LOGIN) with")),
           QStringLiteral("The server refused the user name or password.")},
          {QRegularExpression(QStringLiteral("answered MAIL FROM with 5(30|54)")),
           QStringLiteral("The server wants a login: enter your user name and password.")},
          {QRegularExpression(QStringLiteral("answered MAIL FROM with")),
           QStringLiteral("The server refused the sender address.")},
          {QRegularExpression(QStringLiteral("answered RCPT TO with")),
           QStringLiteral("The server refused a recipient address.")},
          {QRegularExpression(QStringLiteral("does not offer STARTTLS")),
           QStringLiteral("The server does not offer encryption after connecting (STARTTLS). Choose another "
                          "kind of encryption, or none.")},
          {QRegularExpression(QStringLiteral("STARTTLS")),
           QStringLiteral("The server refused to switch to an encrypted connection.")},
          {QRegularExpression(QStringLiteral("^The TLS connection to|No certificate could be read")),
           QStringLiteral("The encrypted connection failed: the server's certificate could not be trusted, "
                          "or the server does not speak TLS on this port.")},
          {QRegularExpression(QStringLiteral("not found"), QRegularExpression::CaseInsensitiveOption),
           QStringLiteral("This server name is not known. Check its spelling.")},
          {QRegularExpression(QStringLiteral("^The connection to")),
           QStringLiteral("Nothing answered at this server and port. Check the server name and port.")},
          {QRegularExpression(QStringLiteral("did not complete")),
           QStringLiteral("The server did not answer in time.")},
      },
      QStringLiteral("The test message could not be sent."));
}

EmailWizard::EmailWizard(const QString& settingsFile, QWidget* parent)
    : QWizard(parent), m_settingsFile(settingsFile) {
  setObjectName(QStringLiteral("EmailWizard"));
  setWindowTitle(QStringLiteral("Quorvex E-mail Setup"));
  setOption(QWizard::NoBackButtonOnStartPage);
  addServerPage();
  addAccountPage();
  addAddressesPage();
  m_testPage = new AccountTestPage(
      {QStringLiteral("Test message"), QStringLiteral("Sending a test message..."),
       QStringLiteral("The test message was sent. It should reach the recipients within a few minutes.")},
      [this] {
        const Security security = static_cast<Security>(SecurityChoice->currentIndex());
        TestAccount account{*ServerAddress::parse(serverValue(), defaultPort(security)),
                            security,
                            UserName->text(),
                            Password->text(),
                            m_trustedCa,
                            FromAddress->text().trimmed(),
                            {FirstRecipient->text().trimmed()},
                            Text->toPlainText()};
        if (!SecondRecipient->text().trimmed().isEmpty())
          account.recipients.append(SecondRecipient->text().trimmed());
        return AccountTestPage::Test([account](std::stop_token stop) { sendTestMessage(account, stop); });
      },
      &plainSmtpFailure);
  setPage(TestPage, m_testPage);
  loadStoredValues();
}

EmailWizard::~EmailWizard() = default;

void EmailWizard::addServerPage() {
  auto* page = new QWizardPage;
  page->setTitle(QStringLiteral("Mail server"));
  page->setSubTitle(
      QStringLiteral("The server that sends your mail (SMTP), as your mail provider names it."));
  m_serverForm = std::make_unique<FieldForm>(page);
  Server = m_serverForm->add(QStringLiteral("&Server:"), QStringLiteral("Server"),
                             QStringLiteral("smtp.example.org or smtp.example.org:587"));
  SecurityChoice = new QComboBox(page);
  SecurityChoice->setObjectName(QStringLiteral("Security"));
  SecurityChoice->addItems({QStringLiteral("Encrypted from the start (TLS, port 465)"),
                            QStringLiteral("Encrypted after connecting (STARTTLS, port 587)"),
                            QStringLiteral("Encrypted only if the server offers it (port 25)")});
  SecurityChoice->setCurrentIndex(static_cast<int>(Security::StartTls));
  m_serverForm->addRow(QStringLiteral("&Encryption:"), SecurityChoice);
  m_serverForm->addNote(QStringLiteral("Without a port the one named in the encryption choice is used."));
  setPage(ServerPage, page);
}

void EmailWizard::addAccountPage() {
  auto* page = new QWizardPage;
  page->setTitle(QStringLiteral("Login"));
  page->setSubTitle(
      QStringLiteral("Most providers want your mail user name (often your address) and password. "
                     "Leave both empty for a server that needs no login."));
  m_accountForm = std::make_unique<FieldForm>(page);
  UserName = m_accountForm->add(QStringLiteral("&User name:"), QStringLiteral("UserName"));
  Password =
      m_accountForm->add(QStringLiteral("&Password:"), QStringLiteral("Password"), {}, QLineEdit::Password);
  setPage(AccountPage, page);
}

void EmailWizard::addAddressesPage() {
  auto* page = new QWizardPage;
  page->setTitle(QStringLiteral("Addresses"));
  page->setSubTitle(QStringLiteral("Who the pictures come from and who gets them."));
  m_addressesForm = std::make_unique<FieldForm>(page);
  FromAddress = m_addressesForm->add(QStringLiteral("&From:"), QStringLiteral("FromAddress"),
                                     QStringLiteral("camera@example.org"));
  FirstRecipient = m_addressesForm->add(QStringLiteral("&To:"), QStringLiteral("FirstRecipient"),
                                        QStringLiteral("you@example.org"));
  SecondRecipient = m_addressesForm->add(QStringLiteral("&Also to:"), QStringLiteral("SecondRecipient"),
                                         QStringLiteral("optional"));
  Text = new QPlainTextEdit(page);
  Text->setObjectName(QStringLiteral("Text"));
  Text->setPlaceholderText(QStringLiteral("A text added to every message (optional)"));
  m_addressesForm->addRow(QStringLiteral("&Your text:"), Text);
  setPage(AddressesPage, page);
}

// A wizard run again starts from what is stored.
void EmailWizard::loadStoredValues() {
  SettingsStore settings(m_settingsFile);
  if (!settings.OpenKey(applicationKey(), false))
    return;
  const auto text = [&settings](const char* name) {
    try {
      return settings.ReadString(QString::fromLatin1(name));
    } catch (const Error&) {
      return QString();  // stored with another type: the field starts empty
    }
  };
  const QString server = text("EMailServer");
  Server->setText(server);
  if (const std::optional<ServerAddress> address = ServerAddress::parse(server, kPlainPort))
    SecurityChoice->setCurrentIndex(static_cast<int>(address->port == kTlsPort     ? Security::Tls
                                                     : address->port == kPlainPort ? Security::Plain
                                                                                   : Security::StartTls));
  UserName->setText(text("EMailUsername"));
  Password->setText(text("EMailPassword"));
  FromAddress->setText(text("FromMail"));
  FirstRecipient->setText(text("EMail1"));
  SecondRecipient->setText(text("EMail2"));
  Text->setPlainText(text("EMailText"));
  m_trustedCa = text("EMailTrustedCA");
}

QString EmailWizard::serverValue() const {
  const Security security = static_cast<Security>(SecurityChoice->currentIndex());
  const std::optional<ServerAddress> address =
      ServerAddress::parse(Server->text().trimmed(), defaultPort(security));
  if (!address)
    return Server->text().trimmed();
  const QString host = address->host.contains(u':') ? u'[' + address->host + u']' : address->host;
  return QStringLiteral("%1:%2").arg(host).arg(address->port);
}

bool EmailWizard::checkServer() {
  QString problem = FieldChecks::server(Server->text());
  const Security security = static_cast<Security>(SecurityChoice->currentIndex());
  if (problem.isEmpty()) {
    // The sender speaks TLS from the first byte exactly on port 465.
    const quint16 port = ServerAddress::parse(serverValue(), kPlainPort)->port;
    if (security == Security::Tls && port != kTlsPort)
      problem = QStringLiteral("Encryption from the start works on port 465 only.");
    else if (security != Security::Tls && port == kTlsPort)
      problem = QStringLiteral("Port 465 is encrypted from the start: choose that encryption.");
  }
  return m_serverForm->check(Server, problem);
}

bool EmailWizard::checkAccount() {
  const bool user =
      m_accountForm->check(UserName, UserName->text().isEmpty() && !Password->text().isEmpty()
                                         ? QStringLiteral("Enter the user name that goes with the password.")
                                         : FieldChecks::singleLine(UserName->text()));
  const bool password = m_accountForm->check(Password, FieldChecks::singleLine(Password->text()));
  return user && password;
}

bool EmailWizard::checkAddresses() {
  const bool from =
      m_addressesForm->check(FromAddress, FieldChecks::mailAddress(FromAddress->text(), Presence::Required));
  const bool first = m_addressesForm->check(
      FirstRecipient, FieldChecks::mailAddress(FirstRecipient->text(), Presence::Required));
  const bool second = m_addressesForm->check(
      SecondRecipient, FieldChecks::mailAddress(SecondRecipient->text(), Presence::Optional));
  return from && first && second;
}

bool EmailWizard::validateCurrentPage() {
  switch (currentId()) {
    case ServerPage: return checkServer();
    case AccountPage: return checkAccount();
    case AddressesPage: return checkAddresses();
    default: return QWizard::validateCurrentPage();
  }
}

// A value that cannot be written keeps the wizard open with the reason.
void EmailWizard::accept() {
  try {
    save();
  } catch (const Error& error) {
    QMessageBox::warning(this, windowTitle(), error.message());
    return;
  }
  QWizard::accept();
}

void EmailWizard::save() {
  SettingsStore settings(m_settingsFile);
  if (!settings.OpenKey(applicationKey(), true))
    throw Error(QStringLiteral("The settings cannot be saved: %1").arg(settings.openError()));
  settings.WriteString(QStringLiteral("EMailServer"), serverValue());
  settings.WriteString(QStringLiteral("EMailUsername"), UserName->text());
  settings.WriteString(QStringLiteral("EMailPassword"), Password->text());
  settings.WriteString(QStringLiteral("FromMail"), FromAddress->text().trimmed());
  settings.WriteString(QStringLiteral("EMail1"), FirstRecipient->text().trimmed());
  settings.WriteString(QStringLiteral("EMail2"), SecondRecipient->text().trimmed());
  settings.WriteString(QStringLiteral("EMailText"), Text->toPlainText());
  settings.WriteString(QStringLiteral("EMailType"), QStringLiteral("text/plain"));
  // The sender logs in at once when "Auth" is present.
  if (UserName->text().isEmpty())
    settings.DeleteValue(QStringLiteral("Auth"));
  else
    settings.WriteBool(QStringLiteral("Auth"), true);
}
