#include "scripted_smtp_server.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

namespace {
constexpr int kSliceMs = 50;
constexpr qint64 kLongestRun = 60'000;
}  // namespace

ScriptedSmtpServer::ScriptedSmtpServer(QByteArray ehloReply, Script script, QByteArray greeting)
    : m_ehloReply(std::move(ehloReply)),
      m_script(std::move(script)),
      m_greeting(std::move(greeting)),
      m_closed(m_closedPromise.get_future().share()) {
  std::promise<quint16> port;
  std::future<quint16> portFuture = port.get_future();
  m_thread = std::thread(&ScriptedSmtpServer::serve, this, std::move(port));
  m_port = portFuture.get();
}

ScriptedSmtpServer::~ScriptedSmtpServer() {
  m_stop = true;
  m_thread.join();
}

QByteArray ScriptedSmtpServer::received() {
  if (m_closed.wait_for(std::chrono::seconds(30)) != std::future_status::ready)
    ADD_FAILURE() << "the client did not close the connection";
  std::lock_guard lock(m_mutex);
  return m_received;
}

void ScriptedSmtpServer::serve(std::promise<quint16> port) {
  QTcpServer server;
  if (!server.listen(QHostAddress::LocalHost, 0)) {
    ADD_FAILURE() << "cannot listen: " << server.errorString().toStdString();
    port.set_value(0);
    m_closedPromise.set_value();
    return;
  }
  port.set_value(server.serverPort());
  QElapsedTimer timer;
  timer.start();
  while (!m_stop && !server.hasPendingConnections() && !timer.hasExpired(kLongestRun))
    server.waitForNewConnection(kSliceMs);
  QTcpSocket* socket = server.nextPendingConnection();
  if (socket) {
    socket->write(m_greeting);
    while (!m_stop && socket->state() == QAbstractSocket::ConnectedState && !timer.hasExpired(kLongestRun)) {
      socket->waitForReadyRead(kSliceMs);
      while (socket->canReadLine()) {
        const QByteArray line = socket->readLine();
        {
          std::lock_guard lock(m_mutex);
          m_received += line;
        }
        socket->write(answer(line.chopped(line.endsWith("\r\n") ? 2 : 1)));
      }
      if (socket->bytesToWrite() > 0)
        socket->waitForBytesWritten(kSliceMs);
    }
    std::lock_guard lock(m_mutex);
    m_received += socket->readAll();
  }
  m_closedPromise.set_value();
}

QByteArray ScriptedSmtpServer::answer(const QByteArray& line) {
  if (m_inData && line != ".")
    return {};
  m_inData = false;
  QByteArray reply;
  if (const std::optional<QByteArray> scripted = m_script ? m_script(line) : std::nullopt)
    reply = *scripted;
  else if (m_loginStep == 1)
    reply = "334 UGFzc3dvcmQ6\r\n";
  else if (m_loginStep == 2)
    reply = "235 2.7.0 Authentication successful\r\n";
  else if (line.startsWith("EHLO "))
    reply = m_ehloReply;
  else if (line == "AUTH LOGIN")
    reply = "334 VXNlcm5hbWU6\r\n";
  else if (line.startsWith("AUTH PLAIN "))
    reply = "235 2.7.0 Authentication successful\r\n";
  else if (line == "DATA")
    reply = "354 End data with <CR><LF>.<CR><LF>\r\n";
  else if (line == "QUIT")
    reply = "221 Bye\r\n";
  else if (line == "STARTTLS")
    reply = "454 4.7.0 TLS not available\r\n";
  else
    reply = "250 OK\r\n";
  m_loginStep = line == "AUTH LOGIN" && reply.startsWith("334") ? 1
                : m_loginStep == 1 && reply.startsWith("334")   ? 2
                                                                : 0;
  m_inData = line == "DATA" && reply.startsWith("354");
  return reply;
}
