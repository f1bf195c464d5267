#include "delivery/ftp_client.h"

#include "base/error.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>

namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

constexpr auto kWaitStep = 50ms;

int stepMilliseconds(SteadyClock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
  return static_cast<int>(std::clamp(left, 1ms, std::chrono::milliseconds(kWaitStep)).count());
}

// A v4-mapped IPv6 address compares equal to its IPv4 form.
bool sameHost(const QHostAddress& a, const QHostAddress& b) {
  return a.isEqual(b, QHostAddress::TolerantConversion);
}

}  // namespace

FtpClient::FtpClient(ServerAddress server, Timeouts timeouts, std::stop_token stop)
    : m_server(std::move(server)), m_timeouts(timeouts), m_stop(std::move(stop)) {}

FtpClient::~FtpClient() = default;

template <typename Wait>
void FtpClient::await(Wait wait, Deadline deadline, const QString& what) {
  for (;;) {
    if (m_stop.stop_requested())
      throw Error(QStringLiteral("Stopped while waiting for %1").arg(what));
    if (SteadyClock::now() >= deadline)
      throw Error(QStringLiteral("Timed out waiting for %1").arg(what));
    if (wait(stepMilliseconds(deadline)))
      return;
  }
}

void FtpClient::connectToServer() {
  m_control = std::make_unique<QTcpSocket>();
  m_control->connectToHost(m_server.host, m_server.port);
  const QString where = QStringLiteral("%1 port %2").arg(m_server.host).arg(m_server.port);
  await(
      [this, &where](int milliseconds) {
        if (m_control->waitForConnected(milliseconds))
          return true;
        if (m_control->error() != QAbstractSocket::SocketTimeoutError)
          throw Error(QStringLiteral("No connection to %1: %2").arg(where, m_control->errorString()));
        return false;
      },
      SteadyClock::now() + m_timeouts.connect, QStringLiteral("the connection to ") + where);
  expect(readReply(), {220}, QStringLiteral("the greeting"));
}

bool FtpClient::isConnected() const {
  return m_control && m_control->state() == QAbstractSocket::ConnectedState;
}

void FtpClient::login(const QString& userName, const QString& password) {
  Reply reply = command(QStringLiteral("USER ") + userName);
  if (reply.code == 331) {
    reply = command(QStringLiteral("PASS ") + password);
    expect(reply, {230, 202}, QStringLiteral("PASS"));
  } else {
    expect(reply, {230}, QStringLiteral("USER"));
  }
  expect(command(QStringLiteral("TYPE I")), {200}, QStringLiteral("TYPE I"));
}

void FtpClient::changeDirectory(const QString& directory) {
  if (directory.isEmpty())
    return;
  expect(command(QStringLiteral("CWD ") + directory), {200, 250}, QStringLiteral("CWD"));
}

void FtpClient::remove(const QString& remoteName) {
  expect(command(QStringLiteral("DELE ") + remoteName), {250}, QStringLiteral("DELE"));
}

// RFC 959 PORT h1,h2,h3,h4,p1,p2 for IPv4; RFC 2428 EPRT |2|address|port| for IPv6.
QByteArray FtpClient::dataPortCommand(quint16 port) const {
  const QHostAddress local = m_control->localAddress();
  bool isIpv4 = false;
  const quint32 ipv4 = local.toIPv4Address(&isIpv4);
  if (!isIpv4) {
    return QStringLiteral("EPRT |2|%1|%2|")
        .arg(QHostAddress(local.toIPv6Address()).toString())
        .arg(port)
        .toLatin1();
  }
  return QStringLiteral("PORT %1,%2,%3,%4,%5,%6")
      .arg(ipv4 >> 24)
      .arg((ipv4 >> 16) & 0xFF)
      .arg((ipv4 >> 8) & 0xFF)
      .arg(ipv4 & 0xFF)
      .arg(port / 256)
      .arg(port % 256)
      .toLatin1();
}

void FtpClient::store(const QString& remoteName, const QByteArray& content) {
  QTcpServer listener;
  // The server connects to the address it already talks to.
  if (!listener.listen(m_control->localAddress(), 0))
    throw Error(QStringLiteral("Cannot listen for the data connection: %1").arg(listener.errorString()));
  const QString portCommand = QString::fromLatin1(dataPortCommand(listener.serverPort()));
  expect(command(portCommand), {200}, portCommand.section(u' ', 0, 0));
  expect(command(QStringLiteral("STOR ") + remoteName), {125, 150}, QStringLiteral("STOR"));

  // Only the server may deliver the data: a connection from elsewhere is dropped.
  std::unique_ptr<QTcpSocket> data;
  const QHostAddress server = m_control->peerAddress();
  await(
      [&](int milliseconds) {
        if (!listener.hasPendingConnections() && !listener.waitForNewConnection(milliseconds))
          return false;
        data.reset(listener.nextPendingConnection());
        if (data && sameHost(data->peerAddress(), server))
          return true;
        data.reset();
        return false;
      },
      SteadyClock::now() + m_timeouts.reply, QStringLiteral("the data connection of %1").arg(remoteName));
  listener.close();

  data->write(content);
  await(
      [&](int milliseconds) {
        if (data->bytesToWrite() == 0)
          return true;
        if (!data->waitForBytesWritten(milliseconds) && data->error() != QAbstractSocket::SocketTimeoutError)
          throw Error(
              QStringLiteral("The data connection of %1 broke: %2").arg(remoteName, data->errorString()));
        return data->bytesToWrite() == 0;
      },
      SteadyClock::now() + m_timeouts.reply, QStringLiteral("the data of %1 to be sent").arg(remoteName));
  data->disconnectFromHost();
  if (data->state() != QAbstractSocket::UnconnectedState) {
    await(
        [&](int milliseconds) {
          return data->waitForDisconnected(milliseconds) ||
                 data->state() == QAbstractSocket::UnconnectedState;
        },
        SteadyClock::now() + m_timeouts.reply, QStringLiteral("the data connection to close"));
  }
  expect(readReply(), {226, 250, 225}, QStringLiteral("the transfer of %1").arg(remoteName));
}

void FtpClient::quit() {
  if (isConnected()) {
    m_control->write("QUIT\r\n");
    m_control->waitForBytesWritten(static_cast<int>(kWaitStep.count()));
  }
  close();
}

void FtpClient::close() {
  if (m_control)
    m_control->abort();
}

FtpClient::Reply FtpClient::command(const QString& line) {
  send(line);
  return readReply();
}

void FtpClient::send(const QString& line) {
  // A line break inside would end the command early and start another.
  if (line.contains(u'\r') || line.contains(u'\n'))
    throw Error(QStringLiteral("A command holds a line break"));
  if (!isConnected())
    throw Error(QStringLiteral("Not connected"));
  m_control->write(line.toUtf8() + "\r\n");
}

// A reply is "ddd text", or lines from "ddd-text" up to one beginning "ddd " (RFC 959 4.2).
FtpClient::Reply FtpClient::readReply() {
  const Deadline deadline = SteadyClock::now() + m_timeouts.reply;
  const QByteArray first = readLine(deadline);
  bool numeric = false;
  const int code = first.left(3).toInt(&numeric);
  if (first.size() < 3 || !numeric || (first.size() > 3 && first[3] != ' ' && first[3] != '-'))
    throw Error(QStringLiteral("Not an FTP reply: %1").arg(QString::fromUtf8(first)));
  Reply reply{code, QString::fromUtf8(first)};
  if (first.size() > 3 && first[3] == '-') {
    const QByteArray last = first.left(3) + ' ';
    QByteArray line;
    do {
      line = readLine(deadline);
      reply.text += u'\n' + QString::fromUtf8(line);
    } while (!line.startsWith(last) && line != first.left(3));
  }
  return reply;
}

QByteArray FtpClient::readLine(Deadline deadline) {
  await(
      [this](int milliseconds) {
        if (m_control->canReadLine())
          return true;
        if (m_control->state() != QAbstractSocket::ConnectedState)
          throw Error(QStringLiteral("The server closed the connection"));
        if (!m_control->waitForReadyRead(milliseconds) &&
            m_control->error() != QAbstractSocket::SocketTimeoutError)
          throw Error(QStringLiteral("The server closed the connection: %1").arg(m_control->errorString()));
        return m_control->canReadLine();
      },
      deadline, QStringLiteral("a reply from %1").arg(m_server.host));
  QByteArray line = m_control->readLine();
  while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
  return line;
}

void FtpClient::expect(const Reply& reply, std::initializer_list<int> codes, const QString& what) const {
  if (std::find(codes.begin(), codes.end(), reply.code) == codes.end())
    throw Error(QStringLiteral("The server refused %1: %2").arg(what, reply.text));
}
