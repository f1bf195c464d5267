#include "delivery/smtp_client.h"

#include "base/error.h"
#include "delivery/smtp_connection.h"

#include <QHostInfo>
#include <QRegularExpression>

#include <initializer_list>

struct SmtpClient::Session {
  Session(std::chrono::milliseconds replyTimeout, std::stop_token stop)
      : connection(replyTimeout, std::move(stop)) {}

  SmtpConnection connection;
  // Upper-case SASL mechanism names from the EHLO reply.
  QStringList mechanisms;
  bool startTlsOffered = false;
  bool authenticated = false;
};

namespace {

// A line break would end the command early and let the rest pass as a command of its own.
void refuseLineBreaks(const QString& value, const char* what) {
  if (value.contains(u'\r') || value.contains(u'\n'))
    throw Error(QStringLiteral("The %1 holds a line break, so nothing was sent.").arg(QLatin1String(what)));
}

QByteArray localHostName() {
  const QString name = QHostInfo::localHostName();
  return name.isEmpty() ? QByteArrayLiteral("localhost") : name.toUtf8();
}

// Reads the reply to `command` and throws unless its code is one of `codes`.
void expectReply(SmtpConnection& connection, const QByteArray& command, std::initializer_list<int> codes) {
  const SmtpConnection::Reply reply = connection.readReply(command);
  for (const int code : codes)
    if (reply.code == code)
      return;
  QStringList text;
  for (const QByteArray& line : reply.lines) text += QString::fromUtf8(line);
  throw Error(QStringLiteral("%1 answered %2 with %3 %4")
                  .arg(connection.serverName(), QString::fromLatin1(command))
                  .arg(reply.code)
                  .arg(text.join(u' ')));
}

// Sends one command line; `name` stands for it in errors, so no password shows there.
void command(SmtpConnection& connection, const QByteArray& line, const QByteArray& name,
             std::initializer_list<int> codes) {
  connection.sendLine(line);
  expectReply(connection, name, codes);
}

}  // namespace

SmtpClient::SmtpClient(Account account, Authentication authentication, Timeouts timeouts,
                       std::stop_token stop)
    : m_account(std::move(account)),
      m_authentication(authentication),
      m_timeouts(timeouts),
      m_stop(std::move(stop)) {}

SmtpClient::SmtpClient(Account account, Authentication authentication)
    : SmtpClient(std::move(account), authentication, Timeouts{}) {}

SmtpClient::~SmtpClient() = default;

void SmtpClient::connectToServer() {
  m_session.reset();
  refuseLineBreaks(m_account.server.host, "server name");
  refuseLineBreaks(m_account.userName, "user name");
  refuseLineBreaks(m_account.password, "password");

  auto session = std::make_unique<Session>(m_timeouts.reply, m_stop);
  SmtpConnection& connection = session->connection;
  const bool implicitTls = m_account.server.port == m_account.implicitTlsPort;
  try {
    connection.open(m_account.server,
                    implicitTls ? SmtpConnection::Security::ImplicitTls : SmtpConnection::Security::Plain,
                    m_account.extraCaFile, m_timeouts.connect);
    expectReply(connection, "the greeting", {220});
    greet(*session);
    // RFC 3207: credentials and mail go only through TLS when the server can do it; a
    // refused STARTTLS or a failed certificate check ends the run, never a plain-text send.
    if (!connection.isEncrypted() && session->startTlsOffered) {
      command(connection, "STARTTLS", "STARTTLS", {220});
      connection.startTls();
      greet(*session);
    }
  } catch (...) {
    connection.close();
    throw;
  }
  m_session = std::move(session);
}

// EHLO, or HELO when EHLO is refused (RFC 5321 4.1.1.1); EHLO's reply lists the extensions.
void SmtpClient::greet(Session& session) {
  static const QRegularExpression kWordSeparators(QStringLiteral("[ =]"));
  SmtpConnection& connection = session.connection;
  session.mechanisms.clear();
  session.startTlsOffered = false;
  connection.sendLine("EHLO " + localHostName());
  const SmtpConnection::Reply reply = connection.readReply("EHLO");
  if (reply.code != 250) {
    command(connection, "HELO " + localHostName(), "HELO", {250});
    return;
  }
  for (const QByteArray& line : reply.lines) {
    const QString text = QString::fromUtf8(line).trimmed();
    if (text.compare(QLatin1String("STARTTLS"), Qt::CaseInsensitive) == 0)
      session.startTlsOffered = true;
    if (text.startsWith(QLatin1String("AUTH "), Qt::CaseInsensitive) ||
        text.startsWith(QLatin1String("AUTH="), Qt::CaseInsensitive))
      session.mechanisms += text.toUpper().split(kWordSeparators, Qt::SkipEmptyParts).mid(1);
  }
}

bool SmtpClient::isConnected() const { return m_session && m_session->connection.isOpen(); }

bool SmtpClient::isEncrypted() const { return m_session && m_session->connection.isEncrypted(); }

void SmtpClient::setAuthentication(Authentication authentication) { m_authentication = authentication; }

void SmtpClient::send(const MailMessage& message) {
  if (!isConnected())
    throw Error(QStringLiteral("There is no connection to the SMTP server."));
  refuseLineBreaks(message.senderAddress, "sender address");
  for (const QString& recipient : message.recipients) refuseLineBreaks(recipient, "recipient address");
  if (message.recipients.isEmpty())
    throw Error(QStringLiteral("The e-mail has no recipient, so nothing was sent."));
  const QByteArray data = message.toData();

  Session& session = *m_session;
  SmtpConnection& connection = session.connection;
  connection.sendLine("RSET");
  connection.readReply("RSET");
  authenticate(session);
  command(connection, "MAIL FROM:<" + message.senderAddress.toUtf8() + '>', "MAIL FROM", {250});
  for (const QString& recipient : message.recipients)
    command(connection, "RCPT TO:<" + recipient.toUtf8() + '>', "RCPT TO", {250, 251});
  command(connection, "DATA", "DATA", {354});
  connection.sendData(data.endsWith("\r\n") ? data : data + "\r\n");
  command(connection, ".", "the end of the message", {250});
}

void SmtpClient::authenticate(Session& session) {
  if (session.authenticated || m_authentication == Authentication::None)
    return;
  SmtpConnection& connection = session.connection;
  const QByteArray user = m_account.userName.toUtf8();
  const QByteArray password = m_account.password.toUtf8();
  if (session.mechanisms.contains(QLatin1String("LOGIN"))) {
    command(connection, "AUTH LOGIN", "AUTH LOGIN", {334});
    command(connection, user.toBase64(), "the user name", {334});
    command(connection, password.toBase64(), "the password", {235});
  } else if (m_authentication == Authentication::LoginOrPlain &&
             session.mechanisms.contains(QLatin1String("PLAIN"))) {
    // RFC 4616: empty authorization identity, NUL, user name, NUL, password.
    command(connection, "AUTH PLAIN " + ('\0' + user + '\0' + password).toBase64(), "AUTH PLAIN", {235});
  } else {
    return;
  }
  session.authenticated = true;
}

void SmtpClient::disconnectFromServer() {
  if (!m_session)
    return;
  if (m_session->connection.isOpen()) {
    try {
      m_session->connection.sendLine("QUIT");
    } catch (const Error&) {
      // The connection is closed below anyway.
    }
  }
  m_session->connection.close();
  m_session.reset();
}
