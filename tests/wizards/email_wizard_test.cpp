#include "email/email_wizard.h"

#include "support/files.h"
#include "support/smtp_test_server.h"
#include "support/test_certificates.h"
#include "wizard_fixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTcpServer>

namespace {

using Security = EmailWizard::Security;

// What a user types into the wizard.
struct Entries {
  QString server;
  Security security = Security::StartTls;
  QString userName = QStringLiteral("alice");
  QString password = QStringLiteral("s3cret");
  QString from = QStringLiteral("camera@example.org");
  QString firstRecipient = QStringLiteral("owner@example.org");
  QString secondRecipient = QStringLiteral("neighbour@example.org");
  QString text = QStringLiteral("Front door camera\nat home");
};

void fill(EmailWizard& wizard, const Entries& entries) {
  wizard.Server->setText(entries.server);
  wizard.SecurityChoice->setCurrentIndex(static_cast<int>(entries.security));
  wizard.UserName->setText(entries.userName);
  wizard.Password->setText(entries.password);
  wizard.FromAddress->setText(entries.from);
  wizard.FirstRecipient->setText(entries.firstRecipient);
  wizard.SecondRecipient->setText(entries.secondRecipient);
  wizard.Text->setPlainText(entries.text);
}

class EmailWizardTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { s_certificates = new TestCertificates; }
  static void TearDownTestSuite() { delete s_certificates; }

  // The test server's CA is trusted as a company's own would be.
  EmailWizardTest() {
    SettingsStore settings(home.settingsFile());
    EXPECT_TRUE(settings.OpenKey(applicationKey(), true));
    settings.WriteString(QStringLiteral("EMailTrustedCA"), s_certificates->caFile());
  }

  static SmtpTestServer::Options serverOptions(SmtpTestServer::Tls tls) {
    SmtpTestServer::Options options;
    options.userName = QStringLiteral("alice");
    options.password = QStringLiteral("s3cret");
    options.tls = tls;
    options.certificate = s_certificates->serverCertificate();
    options.key = s_certificates->serverKey();
    return options;
  }

  static TestCertificates* s_certificates;
  TempHome home;
};

TestCertificates* EmailWizardTest::s_certificates = nullptr;

// The whole way: a test message over STARTTLS with a login, nothing saved until Finish,
// and then a real send with what was saved.
TEST_F(EmailWizardTest, ATestMessageGoesOutBeforeFinishSavesTheAccountThatThenDelivers) {
  ASSERT_TRUE(s_certificates->isValid());
  SmtpTestServer server(serverOptions(SmtpTestServer::Tls::StartTls));
  ASSERT_NE(server.port(), 0);
  const StoredValues before = storedValues(home.settingsFile());

  EmailWizard wizard(home.settingsFile());
  wizard.show();
  fill(wizard, {QStringLiteral("127.0.0.1:%1").arg(server.port())});
  runTest(wizard, wizard.testPage());
  EXPECT_TRUE(wizard.testPage()->succeeded()) << wizard.testPage()->outcome().toStdString();
  EXPECT_EQ(wizard.testPage()->outcome(),
            "The test message was sent. It should reach the recipients within a few minutes.");
  ASSERT_EQ(server.received().size(), 1);
  const SmtpTestServer::Received test = server.received()[0];
  EXPECT_TRUE(test.tls);
  EXPECT_EQ(test.login, "alice");
  EXPECT_EQ(test.mailFrom, "camera@example.org");
  EXPECT_EQ(test.recipients, QStringList({"owner@example.org", "neighbour@example.org"}));
  EXPECT_TRUE(test.content.contains("Front door camera")) << test.content.toStdString();
  EXPECT_EQ(storedValues(home.settingsFile()), before) << "saved before Finish";

  finish(wizard);
  EXPECT_EQ(wizard.result(), QDialog::Accepted);
  StoredValues expected = before;
  expected["EMailServer"] = text(QStringLiteral("127.0.0.1:%1").arg(server.port()));
  expected["EMailUsername"] = text("alice");
  expected["EMailPassword"] = text("s3cret");
  expected["FromMail"] = text("camera@example.org");
  expected["EMail1"] = text("owner@example.org");
  expected["EMail2"] = text("neighbour@example.org");
  expected["EMailText"] = text("Front door camera\nat home");
  expected["EMailType"] = text("text/plain");
  expected["Auth"] = {SettingsType::Dword, "1"};
  EXPECT_EQ(storedValues(home.settingsFile()), expected);

  writeFile(home.file("shot.jpg"), "\xFF\xD8 a picture \xFF\xD9");
  const auto [status, said] = sendWithQuorvex(home, {"email", home.file("shot.jpg")});
  EXPECT_EQ(status, 0) << said.toStdString();
  EXPECT_EQ(server.received().size(), 2);
}

TEST_F(EmailWizardTest, AFailedTestIsToldInPlainWordsAndFinishSavesAllTheSame) {
  QTcpServer closed;
  ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
  const quint16 closedPort = closed.serverPort();
  closed.close();

  struct Case {
    const char* name;
    SmtpTestServer::Tls tls;
    std::function<void(Entries&)> change;
    QString words;
  };
  const Case cases[] = {
      {"wrong password", SmtpTestServer::Tls::StartTls, [](Entries& e) { e.password = "wrong"; },
       "The server refused the user name or password."},
      {"no login for a server that wants one", SmtpTestServer::Tls::StartTls,
       [](Entries& e) { e.userName.clear(), e.password.clear(); },
       "The server wants a login: enter your user name and password."},
      {"STARTTLS chosen, not offered", SmtpTestServer::Tls::None, [](Entries&) {},
       "The server does not offer encryption after connecting (STARTTLS). Choose another kind of encryption, "
       "or "
       "none."},
      {"nothing listening", SmtpTestServer::Tls::None,
       [closedPort](Entries& e) { e.server = QStringLiteral("127.0.0.1:%1").arg(closedPort); },
       "Nothing answered at this server and port. Check the server name and port."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SmtpTestServer server(serverOptions(c.tls));
    ASSERT_NE(server.port(), 0);
    Entries entries{QStringLiteral("127.0.0.1:%1").arg(server.port())};
    c.change(entries);
    const StoredValues before = storedValues(home.settingsFile());

    EmailWizard wizard(home.settingsFile());
    wizard.show();
    fill(wizard, entries);
    runTest(wizard, wizard.testPage());
    EXPECT_FALSE(wizard.testPage()->succeeded());
    EXPECT_EQ(wizard.testPage()->outcome(), c.words);
    EXPECT_TRUE(server.received().isEmpty());
    EXPECT_EQ(storedValues(home.settingsFile()), before);

    // Finish is there: the user may save an account that cannot be tested from here.
    ASSERT_TRUE(wizard.button(QWizard::FinishButton)->isEnabled());
    finish(wizard);
    EXPECT_EQ(storedValues(home.settingsFile())["EMailServer"], text(entries.server));
    EXPECT_EQ(storedValues(home.settingsFile()).count("Auth"), entries.userName.isEmpty() ? 0u : 1u);
  }
}

TEST_F(EmailWizardTest, MalformedEntriesAreRefusedBesideTheirFieldAndThePageStays) {
  struct Case {
    const char* name;
    std::function<void(Entries&)> change;
    EmailWizard::PageId page;
    QString field;
    QString note;
  };
  const Case cases[] = {
      {"host with a blank", [](Entries& e) { e.server = "smtp example.org"; }, EmailWizard::ServerPage,
       "Server", "\"smtp example.org\" is not a server name or address."},
      {"port out of range", [](Entries& e) { e.server = "smtp.example.org:99999"; }, EmailWizard::ServerPage,
       "Server", "Write the server as name or name:port, with a port from 1 to 65535."},
      {"line break in the host", [](Entries& e) { e.server = "smtp.example.org\r\nQUIT"; },
       EmailWizard::ServerPage, "Server", "This cannot hold a line break."},
      {"TLS on another port than 465",
       [](Entries& e) { e.server = "smtp.example.org:587", e.security = Security::Tls; },
       EmailWizard::ServerPage, "Server", "Encryption from the start works on port 465 only."},
      {"STARTTLS on port 465", [](Entries& e) { e.server = "smtp.example.org:465"; }, EmailWizard::ServerPage,
       "Server", "Port 465 is encrypted from the start: choose that encryption."},
      {"password without a user", [](Entries& e) { e.userName.clear(); }, EmailWizard::AccountPage,
       "UserName", "Enter the user name that goes with the password."},
      {"line break in the password", [](Entries& e) { e.password = "s3cret\nRSET"; },
       EmailWizard::AccountPage, "Password", "This cannot hold a line break."},
      {"sender without a domain", [](Entries& e) { e.from = "camera"; }, EmailWizard::AddressesPage,
       "FromAddress", "\"camera\" is not an e-mail address like name@example.org."},
      {"no recipient", [](Entries& e) { e.firstRecipient.clear(); }, EmailWizard::AddressesPage,
       "FirstRecipient", "Enter an e-mail address."},
      {"second recipient with a header",
       [](Entries& e) { e.secondRecipient = "x@example.org\r\nBcc: y@z.org"; }, EmailWizard::AddressesPage,
       "SecondRecipient", "This cannot hold a line break."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Entries entries{QStringLiteral("smtp.example.org")};
    c.change(entries);
    EmailWizard wizard(home.settingsFile());
    wizard.show();
    fill(wizard, entries);
    while (wizard.currentId() != c.page) wizard.next();
    wizard.next();
    EXPECT_EQ(wizard.currentId(), c.page);
    EXPECT_EQ(noteBeside(wizard, c.field), c.note);
    wizard.reject();
  }
  EXPECT_EQ(storedValues(home.settingsFile()).count("EMailServer"), 0u);
}

TEST_F(EmailWizardTest, ARunAgainStartsFromTheStoredAccountAndWritesThePortOfTheChoice) {
  {
    EmailWizard wizard(home.settingsFile());
    fill(wizard, {QStringLiteral("smtp.example.org"), Security::Tls, QString(), QString()});
    wizard.accept();
  }
  EXPECT_EQ(storedValues(home.settingsFile())["EMailServer"], text("smtp.example.org:465"));
  EXPECT_EQ(storedValues(home.settingsFile()).count("Auth"), 0u);
  EmailWizard again(home.settingsFile());
  EXPECT_EQ(again.Server->text(), "smtp.example.org:465");
  EXPECT_EQ(again.SecurityChoice->currentIndex(), static_cast<int>(Security::Tls));
  EXPECT_EQ(again.FirstRecipient->text(), "owner@example.org");
  EXPECT_EQ(again.Text->toPlainText(), "Front door camera\nat home");
}

}  // namespace
