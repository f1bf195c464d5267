// The SMTP exchange against a scripted server: the exact bytes sent, and how each
// failure ends the run.
#include "delivery/smtp_client.h"
#include "base/error.h"
#include "scripted_smtp_server.h"

#include <QElapsedTimer>
#include <QHostInfo>
#include <QTcpServer>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

const QByteArray kHelloName = QHostInfo::localHostName().toUtf8();

SmtpClient::Account accountFor(quint16 port) {
  return {ServerAddress{QStringLiteral("127.0.0.1"), port},
          QStringLiteral("alice"),
          QStringLiteral("s3cret"),
          {}};
}

MailMessage smallMessage() {
  MailMessage message;
  message.senderName = QStringLiteral("Quorvex");
  message.senderAddress = QStringLiteral("cam@example.org");
  message.recipients = {QStringLiteral("one@example.org"), QStringLiteral("two@example.org")};
  message.subject = QStringLiteral("Motion");
  message.bodyLines = {QStringLiteral("line"), QStringLiteral(".dot")};
  return message;
}

// A port on 127.0.0.1 where nothing listens.
quint16 closedPort() {
  QTcpServer probe;
  EXPECT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
  return probe.serverPort();
}

// The base64 forms of "alice" and "s3cret".
const QByteArray kUser = "YWxpY2U=";
const QByteArray kPassword = "czNjcmV0";

}  // namespace

TEST(SmtpClient, SendsTheExchangeByteForByte) {
  struct Case {
    const char* name;
    QByteArray ehloReply;
    SmtpClient::Authentication authentication;
    QByteArray afterEhlo;  // what is sent between EHLO and RSET
    QByteArray authentication_lines;
  };
  using A = SmtpClient::Authentication;
  const Case cases[] = {
      {"no authentication wanted", "250-x\r\n250 AUTH LOGIN PLAIN\r\n", A::None, "", ""},
      {"LOGIN offered", "250-x\r\n250 AUTH PLAIN LOGIN\r\n", A::Login, "",
       "AUTH LOGIN\r\n" + kUser + "\r\n" + kPassword + "\r\n"},
      {"old AUTH= form, lower case", "250-x\r\n250 auth=login\r\n", A::Login, "",
       "AUTH LOGIN\r\n" + kUser + "\r\n" + kPassword + "\r\n"},
      {"LOGIN preferred to PLAIN", "250-x\r\n250 AUTH PLAIN LOGIN\r\n", A::LoginOrPlain, "",
       "AUTH LOGIN\r\n" + kUser + "\r\n" + kPassword + "\r\n"},
      // "\0alice\0s3cret" in base64 (RFC 4616).
      {"PLAIN without LOGIN", "250-x\r\n250 AUTH PLAIN CRAM-MD5\r\n", A::LoginOrPlain, "",
       "AUTH PLAIN AGFsaWNlAHMzY3JldA==\r\n"},
      {"LOGIN wanted, not offered", "250-x\r\n250 AUTH PLAIN CRAM-MD5\r\n", A::Login, "", ""},
      {"neither LOGIN nor PLAIN offered", "250-x\r\n250 AUTH CRAM-MD5\r\n", A::LoginOrPlain, "", ""},
      {"no extensions", "250 x\r\n", A::LoginOrPlain, "", ""},
      {"EHLO refused, HELO", "502 5.5.1 EHLO not implemented\r\n", A::LoginOrPlain,
       "HELO " + kHelloName + "\r\n", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedSmtpServer server(c.ehloReply, [](const QByteArray& line) -> std::optional<QByteArray> {
      if (line == "RCPT TO:<two@example.org>")
        return "251 2.1.5 User not local; will forward\r\n";
      return std::nullopt;
    });
    const MailMessage message = smallMessage();
    SmtpClient client(accountFor(server.port()), c.authentication, {5s, 30s});
    client.connectToServer();
    ASSERT_TRUE(client.isConnected());
    client.send(message);
    client.disconnectFromServer();
    EXPECT_FALSE(client.isConnected());

    EXPECT_EQ(server.received(), "EHLO " + kHelloName + "\r\n" + c.afterEhlo + "RSET\r\n" +
                                     c.authentication_lines +
                                     "MAIL FROM:<cam@example.org>\r\n"
                                     "RCPT TO:<one@example.org>\r\n"
                                     "RCPT TO:<two@example.org>\r\n"
                                     "DATA\r\n" +
                                     message.toData() + ".\r\nQUIT\r\n");
  }
}

TEST(SmtpClient, AuthenticatesOncePerConnection) {
  ScriptedSmtpServer server;
  SmtpClient client(accountFor(server.port()), SmtpClient::Authentication::Login, {5s, 30s});
  client.connectToServer();
  client.send(smallMessage());
  client.send(smallMessage());
  client.disconnectFromServer();
  const QByteArray received = server.received();
  EXPECT_EQ(received.count("AUTH LOGIN\r\n"), 1);
  EXPECT_EQ(received.count("DATA\r\n"), 2);
  EXPECT_EQ(received.count("RSET\r\n"), 2);
}

TEST(SmtpClient, StopsAtTheStepTheServerRefuses) {
  struct Case {
    const char* name;
    QByteArray refusedLine;  // the client's line that gets the refusal
    QByteArray reply;
    bool duringConnect;
  };
  const QByteArray ehlo = "EHLO " + kHelloName;
  const Case cases[] = {
      {"HELO after a refused EHLO", "HELO " + kHelloName, "501 5.5.4 no\r\n", true},
      {"AUTH LOGIN", "AUTH LOGIN", "504 5.5.4 mechanism not supported\r\n", false},
      {"user name", kUser, "535 5.7.8 bad user\r\n", false},
      {"password", kPassword, "535 5.7.8 Authentication credentials invalid\r\n", false},
      {"MAIL FROM", "MAIL FROM:<cam@example.org>", "550 5.7.1 sender refused\r\n", false},
      {"first RCPT TO", "RCPT TO:<one@example.org>", "550 5.1.1 no such user\r\n", false},
      {"second RCPT TO", "RCPT TO:<two@example.org>", "452 4.5.3 too many recipients\r\n", false},
      {"DATA", "DATA", "554 5.5.1 no valid recipients\r\n", false},
      {"end of the message", ".", "552 5.3.4 message too big\r\n", false},
      {"reply that is no SMTP reply", "MAIL FROM:<cam@example.org>", "hello there\r\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool refuseEhlo = c.refusedLine.startsWith("HELO");
    ScriptedSmtpServer server(ScriptedSmtpServer::kEhloReply,
                              [&](const QByteArray& line) -> std::optional<QByteArray> {
                                if (line == c.refusedLine)
                                  return c.reply;
                                if (refuseEhlo && line == ehlo)
                                  return "500 5.5.2 unknown command\r\n";
                                return std::nullopt;
                              });
    SmtpClient client(accountFor(server.port()), SmtpClient::Authentication::Login, {5s, 30s});
    try {
      client.connectToServer();
      EXPECT_FALSE(c.duringConnect);
      client.send(smallMessage());
      ADD_FAILURE() << "the refusal was not reported";
    } catch (const Error& error) {
      EXPECT_FALSE(error.message().isEmpty());
    }
    client.disconnectFromServer();
    // Nothing after the refused line but the farewell of an open connection.
    const QByteArray received = server.received();
    EXPECT_TRUE(received.endsWith(c.refusedLine + "\r\n" + (c.duringConnect ? "" : "QUIT\r\n")))
        << received.toStdString();
    EXPECT_EQ(received.count("\r\n" + c.refusedLine + "\r\n") + received.startsWith(c.refusedLine + "\r\n"),
              1);
  }
}

TEST(SmtpClient, ARefusedGreetingSendsNothing) {
  ScriptedSmtpServer server(ScriptedSmtpServer::kEhloReply, {}, "554 5.3.2 go away\r\n");
  SmtpClient client(accountFor(server.port()), SmtpClient::Authentication::Login, {5s, 30s});
  EXPECT_THROW(client.connectToServer(), Error);
  EXPECT_FALSE(client.isConnected());
  EXPECT_EQ(server.received(), QByteArray());
}

TEST(SmtpClient, ARefusedStartTlsEndsTheRunInsteadOfSendingInPlainText) {
  ScriptedSmtpServer server("250-x\r\n250-STARTTLS\r\n250 AUTH LOGIN\r\n");
  SmtpClient client(accountFor(server.port()), SmtpClient::Authentication::Login, {5s, 30s});
  EXPECT_THROW(client.connectToServer(), Error);
  EXPECT_FALSE(client.isConnected());
  EXPECT_EQ(server.received(), "EHLO " + kHelloName + "\r\nSTARTTLS\r\n");
}

TEST(SmtpClient, ARefusedConnectionThrows) {
  SmtpClient client(accountFor(closedPort()), SmtpClient::Authentication::None, {5s, 5s});
  try {
    client.connectToServer();
    ADD_FAILURE() << "connecting to a closed port succeeded";
  } catch (const Error& error) {
    EXPECT_TRUE(error.message().contains(QLatin1String("refused"), Qt::CaseInsensitive))
        << error.message().toStdString();
  }
  EXPECT_FALSE(client.isConnected());
  EXPECT_THROW(client.send(smallMessage()), Error);
}

TEST(SmtpClient, ASilentServerTimesOut) {
  struct Case {
    const char* name;
    QByteArray greeting;
    QByteArray silentAfter;  // the line left without answer
  };
  const Case cases[] = {
      {"no greeting", "", ""},
      {"no answer to MAIL FROM", "220 x\r\n", "MAIL FROM:<cam@example.org>"},
      {"no answer to the end of the message", "220 x\r\n", "."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedSmtpServer server(
        ScriptedSmtpServer::kEhloReply,
        [&](const QByteArray& line) -> std::optional<QByteArray> {
          if (line == c.silentAfter)
            return QByteArray();
          return std::nullopt;
        },
        c.greeting);
    // Long enough for the answered steps on a loaded machine.
    SmtpClient client(accountFor(server.port()), SmtpClient::Authentication::None, {30s, 3s});
    try {
      client.connectToServer();
      client.send(smallMessage());
      ADD_FAILURE() << "the silence was not reported";
    } catch (const Error& error) {
      EXPECT_TRUE(error.message().contains(QLatin1String("within 3000 ms"))) << error.message().toStdString();
    }
    client.disconnectFromServer();
    EXPECT_TRUE(server.received().endsWith(c.silentAfter + (c.silentAfter.isEmpty() ? "" : "\r\nQUIT\r\n")));
  }
}

TEST(SmtpClient, TheConnectTimeoutCoversTheTlsHandshake) {
  // A server that accepts but never answers the TLS handshake; the reply time-out is far longer.
  ScriptedSmtpServer server(
      ScriptedSmtpServer::kEhloReply, [](const QByteArray&) { return QByteArray(); }, "");
  SmtpClient::Account account = accountFor(server.port());
  account.implicitTlsPort = server.port();
  SmtpClient client(account, SmtpClient::Authentication::None, {300ms, 120s});
  try {
    client.connectToServer();
    ADD_FAILURE() << "a server without TLS handshake was accepted";
  } catch (const Error& error) {
    EXPECT_TRUE(error.message().contains(QLatin1String("within 300 ms"))) << error.message().toStdString();
  }
  EXPECT_FALSE(client.isConnected());
}

TEST(SmtpClient, AStopRequestEndsAWaitAtOnce) {
  std::stop_source stop;
  ScriptedSmtpServer server(ScriptedSmtpServer::kEhloReply,
                            [&](const QByteArray& line) -> std::optional<QByteArray> {
                              if (!line.startsWith("EHLO "))
                                return std::nullopt;
                              stop.request_stop();
                              return QByteArray();
                            });
  SmtpClient client(accountFor(server.port()), SmtpClient::Authentication::None, {120s, 120s},
                    stop.get_token());
  QElapsedTimer timer;
  timer.start();
  try {
    client.connectToServer();
    ADD_FAILURE() << "the stop request was not reported";
  } catch (const Error& error) {
    EXPECT_TRUE(error.message().contains(QLatin1String("stopped"))) << error.message().toStdString();
  }
  EXPECT_LT(timer.elapsed(), 30'000);
  EXPECT_FALSE(client.isConnected());

  // Stopped before it began: no exchange at all.
  ScriptedSmtpServer unused;
  SmtpClient stoppedClient(accountFor(unused.port()), SmtpClient::Authentication::None, {120s, 120s},
                           stop.get_token());
  EXPECT_THROW(stoppedClient.connectToServer(), Error);
  EXPECT_FALSE(stoppedClient.isConnected());
  EXPECT_EQ(unused.received(), QByteArray());
}

TEST(SmtpClient, RefusesLineBreaksBeforeSendingAnything) {
  // Credentials are checked before connecting: the port is closed, so any other error
  // would name the refused connection instead.
  for (const auto& [userName, password] : {std::pair{QStringLiteral("alice\r\nRSET"), QStringLiteral("pw")},
                                           std::pair{QStringLiteral("alice"), QStringLiteral("pw\n")}}) {
    SmtpClient::Account account = accountFor(closedPort());
    account.userName = userName;
    account.password = password;
    SmtpClient client(account, SmtpClient::Authentication::Login, {5s, 5s});
    try {
      client.connectToServer();
      ADD_FAILURE() << "a line break was accepted";
    } catch (const Error& error) {
      EXPECT_TRUE(error.message().contains(QLatin1String("line break"))) << error.message().toStdString();
    }
  }

  const std::function<void(MailMessage&)> breaks[] = {
      [](MailMessage& m) {
        m.senderAddress = QStringLiteral("cam@example.org>\r\nRCPT TO:<spam@example.org");
      },
      [](MailMessage& m) { m.recipients[1] = QStringLiteral("two@example.org\n"); },
      [](MailMessage& m) { m.subject = QStringLiteral("Motion\r\n.\r\nMAIL FROM:<x@example.org>"); },
  };
  for (const auto& breakIt : breaks) {
    ScriptedSmtpServer server;
    SmtpClient client(accountFor(server.port()), SmtpClient::Authentication::Login, {5s, 30s});
    client.connectToServer();
    MailMessage message = smallMessage();
    breakIt(message);
    EXPECT_THROW(client.send(message), Error);
    client.disconnectFromServer();
    EXPECT_EQ(server.received(), "EHLO " + kHelloName + "\r\nQUIT\r\n");
  }
}

TEST(SmtpClient, WorksOnAThreadNotStartedByQThread) {
  ScriptedSmtpServer server;
  QString failure;
  std::thread worker([&] {
    try {
      SmtpClient client(accountFor(server.port()), SmtpClient::Authentication::Login, {5s, 30s});
      client.connectToServer();
      client.send(smallMessage());
      client.disconnectFromServer();
    } catch (const Error& error) {
      failure = error.message();
    }
  });
  worker.join();
  EXPECT_EQ(failure, QString());
  const QByteArray received = server.received();
  EXPECT_TRUE(received.contains("\r\nDATA\r\n")) << received.toStdString();
  EXPECT_TRUE(received.endsWith(".\r\nQUIT\r\n")) << received.toStdString();
}
