#include "delivery/smtp_connection.h"

#include "base/error.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>

namespace {

// How often a wait looks at the stop request and its time limit.
constexpr std::chrono::milliseconds kSlice{50};
// Large messages go out in pieces; the reply time-out then limits each piece.
constexpr qsizetype kSendPiece = 64 * 1024;
// A reply line longer than this (RFC 5321 allows 512 bytes) means the peer is no SMTP server.
constexpr qint64 kLongestReplyLine = 64 * 1024;
constexpr int kMostReplyLines = 1000;
constexpr std::chrono::milliseconds kCloseTimeout{2000};

QSslConfiguration tlsConfiguration(const QString& extraCaFile) {
  QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
  configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
  if (extraCaFile.isEmpty())
    return configuration;
  const QList<QSslCertificate> extra = QSslCertificate::fromPath(extraCaFile, QSsl::Pem);
  if (extra.isEmpty())
    throw Error(QStringLiteral("No certificate could be read from \"%1\".").arg(extraCaFile));
  // Adding certificates ends the lazy use of the system's roots, so they are named too.
  configuration.addCaCertificates(QSslConfiguration::systemCaCertificates());
  configuration.addCaCertificates(extra);
  return configuration;
}

}  // namespace

SmtpConnection::SmtpConnection(std::chrono::milliseconds replyTimeout, std::stop_token stop)
    : m_replyTimeout(replyTimeout), m_stop(std::move(stop)) {}

SmtpConnection::~SmtpConnection() {
  if (m_socket)
    m_socket->abort();
}

void SmtpConnection::open(const ServerAddress& server, Security security, const QString& extraCaFile,
                          std::chrono::milliseconds connectTimeout) {
  m_serverName = QStringLiteral("%1:%2").arg(server.host).arg(server.port);
  if (security == Security::ImplicitTls && !QSslSocket::supportsSsl())
    throw Error(
        QStringLiteral("TLS is not available on this system, so %1 cannot be reached.").arg(m_serverName));
  // A thread not started by QThread gets its event dispatcher with its first event
  // loop; the socket registers with it on connecting, so it must exist before.
  { QEventLoop createsTheDispatcher; }
  m_socket = std::make_unique<QSslSocket>();
  m_socket->setSslConfiguration(tlsConfiguration(extraCaFile));
  if (security == Security::ImplicitTls) {
    m_socket->connectToHostEncrypted(server.host, server.port);
    waitUntil([this] { return m_socket->isEncrypted(); }, connectTimeout,
              QStringLiteral("the TLS connection"));
  } else {
    m_socket->connectToHost(server.host, server.port);
    waitUntil([this] { return m_socket->state() == QAbstractSocket::ConnectedState; }, connectTimeout,
              QStringLiteral("the connection"));
  }
}

void SmtpConnection::startTls() {
  if (!QSslSocket::supportsSsl())
    throw Error(QStringLiteral("TLS is not available on this system, so STARTTLS with %1 is impossible.")
                    .arg(m_serverName));
  m_socket->startClientEncryption();
  waitUntil([this] { return m_socket->isEncrypted(); }, m_replyTimeout, QStringLiteral("the TLS handshake"));
}

bool SmtpConnection::isOpen() const {
  return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

bool SmtpConnection::isEncrypted() const { return m_socket && m_socket->isEncrypted(); }

void SmtpConnection::sendLine(const QByteArray& line) { sendData(line + "\r\n"); }

void SmtpConnection::sendData(const QByteArray& data) {
  for (qsizetype start = 0; start < data.size(); start += kSendPiece) {
    m_socket->write(data.mid(start, kSendPiece));
    flush();
  }
}

void SmtpConnection::flush() {
  waitUntil([this] { return m_socket->bytesToWrite() == 0 && m_socket->encryptedBytesToWrite() == 0; },
            m_replyTimeout, QStringLiteral("sending"));
}

SmtpConnection::Reply SmtpConnection::readReply(const QByteArray& command) {
  Reply reply;
  for (int count = 0; count < kMostReplyLines; ++count) {
    const QByteArray line = readLine(command);
    // "250-text" continues the reply, "250 text" or "250" ends it (RFC 5321 4.2.1).
    bool isNumber = false;
    const int code = line.left(3).toInt(&isNumber);
    const char separator = line.size() > 3 ? line.at(3) : ' ';
    if (line.size() < 3 || !isNumber || (separator != ' ' && separator != '-'))
      throw Error(QStringLiteral("%1 answered %2 with a line that is no SMTP reply: %3")
                      .arg(m_serverName, QString::fromLatin1(command), QString::fromUtf8(line.left(200))));
    reply.code = code;
    reply.lines += line.mid(4);
    if (separator == ' ')
      return reply;
  }
  throw Error(QStringLiteral("%1 answered %2 with more than %3 lines.")
                  .arg(m_serverName, QString::fromLatin1(command))
                  .arg(kMostReplyLines));
}

QByteArray SmtpConnection::readLine(const QByteArray& command) {
  waitUntil([this] { return m_socket->canReadLine() || m_socket->bytesAvailable() > kLongestReplyLine; },
            m_replyTimeout, QStringLiteral("the reply to %1").arg(QString::fromLatin1(command)));
  if (!m_socket->canReadLine())
    throw Error(QStringLiteral("%1 answered %2 with an endless line.")
                    .arg(m_serverName, QString::fromLatin1(command)));
  QByteArray line = m_socket->readLine();
  while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
  return line;
}

void SmtpConnection::close() {
  if (!m_socket)
    return;
  try {
    if (isOpen())
      waitUntil([this] { return m_socket->bytesToWrite() == 0 && m_socket->encryptedBytesToWrite() == 0; },
                kCloseTimeout, QStringLiteral("sending"));
    m_socket->disconnectFromHost();
    waitUntil([this] { return m_socket->state() == QAbstractSocket::UnconnectedState; }, kCloseTimeout,
              QStringLiteral("closing"));
  } catch (const Error&) {
    // Closing is best effort; what was not sent by now is dropped below.
  }
  m_socket->abort();
  m_socket.reset();
}

void SmtpConnection::waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit,
                               const QString& what) {
  QElapsedTimer timer;
  timer.start();
  for (;;) {
    if (m_stop.stop_requested())
      throw Error(QStringLiteral("The exchange with %1 was stopped.").arg(m_serverName));
    if (done())
      return;
    if (m_socket->state() == QAbstractSocket::UnconnectedState)
      throw Error(failureText());
    if (timer.hasExpired(limit.count()))
      throw Error(
          QStringLiteral("%1 did not complete %2 within %3 ms.").arg(m_serverName, what).arg(limit.count()));
    // Any socket event ends the slice early; the timer bounds it for the checks above.
    QEventLoop loop;
    QTimer::singleShot(kSlice, &loop, &QEventLoop::quit);
    const QSslSocket* socket = m_socket.get();
    QObject::connect(socket, &QSslSocket::readyRead, &loop, &QEventLoop::quit);
    QObject::connect(socket, &QSslSocket::bytesWritten, &loop, &QEventLoop::quit);
    QObject::connect(socket, &QSslSocket::encryptedBytesWritten, &loop, &QEventLoop::quit);
    QObject::connect(socket, &QSslSocket::stateChanged, &loop, &QEventLoop::quit);
    QObject::connect(socket, &QSslSocket::encrypted, &loop, &QEventLoop::quit);
    QObject::connect(socket, &QSslSocket::errorOccurred, &loop, &QEventLoop::quit);
    loop.exec();
  }
}

QString SmtpConnection::failureText() const {
  const QList<QSslError> tlsErrors = m_socket->sslHandshakeErrors();
  if (m_socket->error() == QAbstractSocket::SslHandshakeFailedError || !tlsErrors.isEmpty()) {
    QStringList reasons;
    for (const QSslError& tlsError : tlsErrors) reasons += tlsError.errorString();
    if (reasons.isEmpty())
      reasons += m_socket->errorString();
    return QStringLiteral("The TLS connection to %1 failed: %2")
        .arg(m_serverName, reasons.join(QStringLiteral("; ")));
  }
  return QStringLiteral("The connection to %1 failed: %2").arg(m_serverName, m_socket->errorString());
}
