#include "delivery/email_thread.h"

#include "delivery/staged_files.h"
#include "delivery_fixture.h"
#include "eventlog/date_time_text.h"
#include "support/smtp_test_server.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>

#include <functional>

namespace {

SettingsValue text(const char* name, const QString& value) {
  return {QString::fromLatin1(name), SettingsType::String, 0, value};
}

// "127.0.0.1:<port>", as the account names the server.
QString address(const SmtpTestServer& server) { return QStringLiteral("127.0.0.1:%1").arg(server.port()); }

class EmailThreadTest : public DeliveryFixture {
 protected:
  QString emailFolder() const { return home.file(QStringLiteral("EMail/")); }

  void stage(const QStringList& names) {
    for (const QString& name : names)
      writeFile(emailFolder() + name, picture(name.mid(6).section(u'.', 0, 0).toInt()));
  }

  void storeAccount(const QString& server, const QString& email2 = QStringLiteral("second@example.org")) {
    store({text("EMailServer", server), text("EMailUsername", QStringLiteral("cam")),
           text("EMailPassword", QStringLiteral("secret")),
           text("FromMail", QStringLiteral("cam@example.org")),
           text("EMail1", QStringLiteral("first@example.org")), text("EMail2", email2),
           text("EMailText", QStringLiteral("Haustür vorne\r\n.hidden line\nlast")), text("EMailType", "0")});
  }

  std::unique_ptr<EmailThread> worker() {
    auto made = std::make_unique<EmailThread>(context(), moveStagedFiles(emailFolder(), clock.now()));
    made->Caption = QStringLiteral("Cam");
    return made;
  }

  QString dt() const { return DateTimeText(clock.now()); }
};

TEST_F(EmailThreadTest, SendsTheSeriesInOrderWithTheBodyAndRemovesTheRunFolder) {
  SmtpTestServer server({});
  storeAccount(address(server));
  stage({"Motion1.jpg", "Motion2.jpg", "Motion5.jpg", "Motion.jpg", "Motion11.jpg"});

  std::unique_ptr<EmailThread> mail = worker();
  ASSERT_TRUE(runToEnd(*mail));

  EXPECT_EQ(mail->ResultCode, 0) << mail->errorText().toStdString();
  const QList<SmtpTestServer::Received> received = server.received();
  ASSERT_EQ(received.size(), 1);
  EXPECT_EQ(received[0].mailFrom, "cam@example.org");
  EXPECT_EQ(received[0].recipients, (QStringList{"first@example.org", "second@example.org"}));
  const QJsonObject message = parsedMail(received[0].file);
  const QJsonObject headers = message["headers"].toObject();
  EXPECT_EQ(headers["From"].toString(), "Quorvex <cam@example.org>");
  EXPECT_EQ(headers["Subject"].toString(), "Quorvex. Motion Detected!");
  EXPECT_EQ(headers["X-Priority"].toString(), "1");
  EXPECT_EQ(message["defects"].toArray(), QJsonArray());
  const QString body = message["text"].toString().replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  EXPECT_EQ(body.trimmed(), QStringLiteral("Quorvex\nSee attachment for image.\nMotion Captured on :\n%1\n\n"
                                           "Haustür vorne\n.hidden line\nlast")
                                .arg(dt()));
  const QJsonArray attachments = message["attachments"].toArray();
  ASSERT_EQ(attachments.size(), 3);
  const int numbers[] = {1, 2, 5};
  for (int i = 0; i < 3; ++i) {
    const QJsonObject attachment = attachments[i].toObject();
    EXPECT_EQ(attachment["fileName"].toString(), QStringLiteral("Motion%1.jpg").arg(numbers[i]));
    EXPECT_EQ(QByteArray::fromBase64(attachment["content"].toString().toLatin1()), picture(numbers[i]));
  }
  EXPECT_FALSE(QFileInfo::exists(mail->runFolder()));
  EXPECT_TRUE(QFileInfo::exists(emailFolder() + "Motion.jpg"));
  EXPECT_TRUE(QFileInfo::exists(emailFolder() + "Motion11.jpg"));
  EXPECT_EQ(
      services->calls,
      (QStringList{
          QStringLiteral("status 1 Emailing Completed."),
          QStringLiteral("log Cam | Image Emailed on %1 to first@example.org and second@example.org | Email")
              .arg(dt())}));
}

// The second address is left out when empty or the wizard's placeholder, but the
// log names it as stored.
TEST_F(EmailThreadTest, TheSecondAddressGoesOnlyWhenItIsOne) {
  struct Case {
    const char* email2;
    QStringList recipients;
  };
  const Case cases[] = {
      {"", {"first@example.org"}},
      {"Address goes here", {"first@example.org"}},
  };
  SmtpTestServer server({});
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.email2);
    services->calls.clear();
    storeAccount(address(server), QString::fromLatin1(c.email2));
    stage({"Motion.jpg"});
    std::unique_ptr<EmailThread> mail = worker();
    ASSERT_TRUE(runToEnd(*mail));
    const QList<SmtpTestServer::Received> received = server.received();
    ASSERT_EQ(received.size(), ++n);
    EXPECT_EQ(received.last().recipients, c.recipients);
    EXPECT_EQ(parsedMail(received.last().file)["attachments"].toArray().size(), 1);
    EXPECT_EQ(services->calls.value(1),
              QStringLiteral("log Cam | Image Emailed on %1 to first@example.org and %2 | Email")
                  .arg(dt(), c.email2));
  }
}

// With "Auth" stored the first attempt logs in; without it a server that wants a
// login refuses the mail, and the run fails keeping its pictures.
TEST_F(EmailThreadTest, LogsInWhenAuthIsStoredAndFailsCleanlyOtherwise) {
  struct Case {
    const char* name;
    QList<SettingsValue> extra;
    qint32 resultCode;
  };
  const Case cases[] = {
      {"no Auth", {}, 1},
      {"Auth stored", {text("Auth", QStringLiteral("1"))}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    services->calls.clear();
    SmtpTestServer::Options login;
    login.userName = QStringLiteral("cam");
    login.password = QStringLiteral("secret");
    SmtpTestServer server(login);
    storeAccount(address(server));
    store(c.extra);
    stage({"Motion1.jpg", "Motion2.jpg"});
    std::unique_ptr<EmailThread> mail = worker();
    ASSERT_TRUE(runToEnd(*mail));
    EXPECT_EQ(mail->ResultCode, c.resultCode) << mail->errorText().toStdString();
    const QList<SmtpTestServer::Received> received = server.received();
    ASSERT_EQ(received.size(), c.resultCode == 0 ? 1 : 0);
    if (!received.isEmpty()) {
      EXPECT_EQ(received[0].login, QStringLiteral("cam"));
    }
    EXPECT_EQ(QFileInfo::exists(mail->runFolder()), c.resultCode != 0);
    if (c.resultCode != 0) {
      EXPECT_EQ(services->calls,
                (QStringList{QStringLiteral("status 1 Emailing Failed."),
                             QStringLiteral("log Cam | Image Emailing on %1 to first@example.org and "
                                            "second@example.org Failed! | Email")
                                 .arg(dt())}));
    }
  }
}

TEST_F(EmailThreadTest, ALineBreakInAnAddressFailsTheRunBeforeConnecting) {
  SmtpTestServer server({});
  storeAccount(address(server));
  store({text("EMail1", QStringLiteral("first@example.org>\r\nRCPT TO:<other@example.org"))});
  stage({"Motion.jpg"});
  std::unique_ptr<EmailThread> mail = worker();
  ASSERT_TRUE(runToEnd(*mail));
  EXPECT_EQ(mail->ResultCode, 1);
  EXPECT_TRUE(mail->errorText().contains(QStringLiteral("EMail1"))) << mail->errorText().toStdString();
  EXPECT_TRUE(server.received().isEmpty());
  EXPECT_TRUE(QFileInfo::exists(mail->runFolder() + "Motion.jpg"));
  EXPECT_EQ(services->calls.value(0), QStringLiteral("status 1 Emailing Failed."));
}

TEST_F(EmailThreadTest, WithoutAnAccountTheUserIsToldAndNothingIsReported) {
  stage({"Motion.jpg"});
  std::unique_ptr<EmailThread> mail = worker();
  ASSERT_TRUE(runToEnd(*mail));
  ASSERT_EQ(prompts.shown.size(), 1);
  EXPECT_EQ(prompts.shown[0].text,
            QStringLiteral("No Settings!\r\rPlease run EMail Wizard\rfrom Options menu."));
  EXPECT_TRUE(services->calls.isEmpty());
  EXPECT_TRUE(QFileInfo::exists(mail->runFolder() + "Motion.jpg"));
}

}  // namespace
