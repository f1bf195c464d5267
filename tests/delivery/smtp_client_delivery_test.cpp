// The SMTP client against a real server (aiosmtpd): what arrives, with AUTH and TLS.
#include "base/error.h"
#include "delivery/smtp_client.h"
#include "support/smtp_test_server.h"
#include "support/test_certificates.h"

#include <QJsonArray>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace std::chrono_literals;
using Authentication = SmtpClient::Authentication;
using Tls = SmtpTestServer::Tls;

const SmtpClient::Timeouts kTimeouts{30s, 60s};

QByteArray patternBytes(int count, int seed) {
  QByteArray bytes;
  for (int index = 0; index < count; ++index)
    bytes += static_cast<char>((index * 131 + seed * 17 + index / 7) % 256);
  return bytes;
}

MailMessage messageWithPictures() {
  MailMessage message;
  message.senderName = QStringLiteral("Quorvex");
  message.senderAddress = QStringLiteral("cam@example.org");
  message.recipients = {QStringLiteral("one@example.org"), QStringLiteral("two@example.org")};
  message.subject = QStringLiteral("Quorvex. Motion Detected!");
  message.bodyLines = {QStringLiteral("Quorvex"), QStringLiteral("."), QStringLiteral("..two\n.three"),
                       QStringLiteral("Gr\u00fc\u00dfe")};
  message.date = QDateTime(QDate(2026, 12, 10), QTime(17, 5, 9), QTimeZone(3600));
  // Sizes around the 57-byte line of base64, and a picture of several lines.
  message.attachments = {{QStringLiteral("Motion1.jpg"), patternBytes(4000, 1)},
                         {QStringLiteral("Motion2.jpg"), patternBytes(57, 2)},
                         {QStringLiteral("Motion5.jpg"), patternBytes(58, 3)}};
  return message;
}

MailMessage shortMessage() {
  MailMessage message;
  message.senderAddress = QStringLiteral("cam@example.org");
  message.recipients = {QStringLiteral("one@example.org")};
  message.subject = QStringLiteral("Motion");
  message.bodyLines = {QStringLiteral("text")};
  return message;
}

SmtpClient::Account accountFor(const SmtpTestServer& server,
                               const QString& password = QStringLiteral("s3cret")) {
  return {ServerAddress{QStringLiteral("127.0.0.1"), server.port()}, QStringLiteral("alice"), password, {}};
}

void sendOnce(SmtpClient& client, const MailMessage& message) {
  client.connectToServer();
  try {
    client.send(message);
  } catch (...) {
    client.disconnectFromServer();
    throw;
  }
  client.disconnectFromServer();
}

}  // namespace

class SmtpDelivery : public testing::Test {
 protected:
  static void SetUpTestSuite() { s_certificates = std::make_unique<TestCertificates>(); }
  static void TearDownTestSuite() { s_certificates.reset(); }
  static std::unique_ptr<TestCertificates> s_certificates;
};

std::unique_ptr<TestCertificates> SmtpDelivery::s_certificates;

TEST_F(SmtpDelivery, ReceiverSeesTheTextAndEveryAttachmentUnchangedInOrder) {
  SmtpTestServer server({});
  ASSERT_NE(server.port(), 0);
  const MailMessage message = messageWithPictures();
  SmtpClient client(accountFor(server), Authentication::None, kTimeouts);
  sendOnce(client, message);

  const QList<SmtpTestServer::Received> received = server.received();
  ASSERT_EQ(received.size(), 1);
  EXPECT_EQ(received[0].mailFrom, QStringLiteral("cam@example.org"));
  EXPECT_EQ(received[0].recipients, message.recipients);
  EXPECT_EQ(received[0].mechanism, QString());

  const QJsonObject mail = parsedMail(received[0].file);
  EXPECT_EQ(mail.value(QStringLiteral("defects")).toArray(), QJsonArray());
  const QJsonObject headers = mail.value(QStringLiteral("headers")).toObject();
  EXPECT_EQ(headers.value(QStringLiteral("From")).toString(), QStringLiteral("Quorvex <cam@example.org>"));
  EXPECT_EQ(headers.value(QStringLiteral("To")).toString(),
            QStringLiteral("one@example.org, two@example.org"));
  EXPECT_EQ(headers.value(QStringLiteral("Subject")).toString(), QStringLiteral("Quorvex. Motion Detected!"));
  EXPECT_EQ(headers.value(QStringLiteral("Date")).toString(),
            QStringLiteral("Thu, 10 Dec 2026 17:05:09 +0100"));
  EXPECT_EQ(headers.value(QStringLiteral("X-Priority")).toString(), QStringLiteral("1"));
  EXPECT_EQ(mail.value(QStringLiteral("contentType")).toString(), QStringLiteral("multipart/mixed"));
  EXPECT_EQ(mail.value(QStringLiteral("text")).toString(),
            QStringLiteral("Quorvex\n.\n..two\n.three\nGr\u00fc\u00dfe\n"));

  const QJsonArray attachments = mail.value(QStringLiteral("attachments")).toArray();
  ASSERT_EQ(attachments.size(), message.attachments.size());
  for (qsizetype index = 0; index < attachments.size(); ++index) {
    const QJsonObject attachment = attachments[index].toObject();
    EXPECT_EQ(attachment.value(QStringLiteral("fileName")).toString(), message.attachments[index].fileName);
    EXPECT_EQ(attachment.value(QStringLiteral("contentType")).toString(),
              QStringLiteral("application/octet-stream"));
    EXPECT_EQ(QByteArray::fromBase64(attachment.value(QStringLiteral("content")).toString().toLatin1()),
              message.attachments[index].content)
        << attachment.value(QStringLiteral("fileName")).toString().toStdString();
  }
}

TEST_F(SmtpDelivery, AuthenticatesAsTheServerAllows) {
  struct Case {
    const char* name;
    Authentication authentication;
    bool serverOffersLogin;
    const char* password;
    const char* mechanism;  // nullptr: the server refuses the mail
  };
  const Case cases[] = {
      {"LOGIN", Authentication::Login, true, "s3cret", "LOGIN"},
      {"LOGIN preferred", Authentication::LoginOrPlain, true, "s3cret", "LOGIN"},
      {"PLAIN when LOGIN is missing", Authentication::LoginOrPlain, false, "s3cret", "PLAIN"},
      {"wrong password", Authentication::LoginOrPlain, true, "wrong", nullptr},
      {"LOGIN only, server offers PLAIN", Authentication::Login, false, "s3cret", nullptr},
      {"no authentication", Authentication::None, true, "s3cret", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SmtpTestServer::Options options;
    options.userName = QStringLiteral("alice");
    options.password = QStringLiteral("s3cret");
    options.offerLogin = c.serverOffersLogin;
    SmtpTestServer server(options);
    ASSERT_NE(server.port(), 0);
    SmtpClient client(accountFor(server, QString::fromUtf8(c.password)), c.authentication, kTimeouts);
    if (c.mechanism) {
      EXPECT_NO_THROW(sendOnce(client, shortMessage()));
      const QList<SmtpTestServer::Received> received = server.received();
      ASSERT_EQ(received.size(), 1);
      EXPECT_EQ(received[0].mechanism, QString::fromUtf8(c.mechanism));
      EXPECT_EQ(received[0].login, QStringLiteral("alice"));
    } else {
      EXPECT_THROW(sendOnce(client, shortMessage()), Error);
      EXPECT_TRUE(server.received().isEmpty());
    }
  }
}

TEST_F(SmtpDelivery, SendsOnlyOverAVerifiedTlsConnection) {
  ASSERT_TRUE(s_certificates->isValid());
  struct Case {
    const char* name;
    Tls tls;
    QString extraCaFile;
    bool delivered;
    bool certificateForAnotherAddress = false;
  };
  const Case cases[] = {
      {"STARTTLS, CA trusted", Tls::StartTls, s_certificates->caFile(), true},
      {"implicit TLS, CA trusted", Tls::Implicit, s_certificates->caFile(), true},
      {"STARTTLS, unknown CA", Tls::StartTls, QString(), false},
      {"implicit TLS, unknown CA", Tls::Implicit, QString(), false},
      // The server's own certificate is no CA: it cannot vouch for itself.
      {"STARTTLS, server certificate as CA", Tls::StartTls, s_certificates->serverCertificate(), false},
      {"CA file missing", Tls::StartTls, s_certificates->caFile() + QStringLiteral(".missing"), false},
      {"STARTTLS, certificate for another address", Tls::StartTls, s_certificates->caFile(), false, true},
      {"implicit TLS, certificate for another address", Tls::Implicit, s_certificates->caFile(), false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SmtpTestServer::Options options;
    options.userName = QStringLiteral("alice");
    options.password = QStringLiteral("s3cret");
    options.tls = c.tls;
    options.certificate = c.certificateForAnotherAddress ? s_certificates->otherServerCertificate()
                                                         : s_certificates->serverCertificate();
    options.key =
        c.certificateForAnotherAddress ? s_certificates->otherServerKey() : s_certificates->serverKey();
    SmtpTestServer server(options);
    ASSERT_NE(server.port(), 0);
    SmtpClient::Account account = accountFor(server);
    account.extraCaFile = c.extraCaFile;
    if (c.tls == Tls::Implicit)
      account.implicitTlsPort = server.port();
    SmtpClient client(account, Authentication::LoginOrPlain, kTimeouts);
    if (c.delivered) {
      EXPECT_NO_THROW(sendOnce(client, shortMessage()));
      const QList<SmtpTestServer::Received> received = server.received();
      ASSERT_EQ(received.size(), 1);
      EXPECT_TRUE(received[0].tls);
      EXPECT_EQ(received[0].mechanism, QStringLiteral("LOGIN"));
    } else {
      EXPECT_THROW(client.connectToServer(), Error);
      EXPECT_FALSE(client.isConnected());
      EXPECT_THROW(client.send(shortMessage()), Error);
      EXPECT_TRUE(server.received().isEmpty());
    }
  }
}
