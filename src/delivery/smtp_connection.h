#pragma once

#include "delivery/server_address.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <stop_token>

class QSslSocket;

// One line-based connection to an SMTP server, plain or TLS, used blocking from the
// thread that opened it. Each wait runs that thread's event loop in short slices and
// throws `Error` on a time-out, a closed connection or a requested stop.
class SmtpConnection {
 public:
  enum class Security { Plain, ImplicitTls };

  // A server reply (RFC 5321 4.2): its code and the text of each line after the code.
  struct Reply {
    int code = 0;
    QList<QByteArray> lines;
  };

  SmtpConnection(std::chrono::milliseconds replyTimeout, std::stop_token stop);
  ~SmtpConnection();
  SmtpConnection(const SmtpConnection&) = delete;
  SmtpConnection& operator=(const SmtpConnection&) = delete;

  // Certificates of `extraCaFile` (PEM) are trusted besides the system's roots.
  void open(const ServerAddress& server, Security security, const QString& extraCaFile,
            std::chrono::milliseconds connectTimeout);
  // Turns the open plain connection into TLS, verifying the server's certificate.
  void startTls();
  bool isOpen() const;
  // "host:port", for error texts.
  const QString& serverName() const { return m_serverName; }
  bool isEncrypted() const;

  void sendLine(const QByteArray& line);
  void sendData(const QByteArray& data);
  // `command` names what the reply answers, for the error text.
  Reply readReply(const QByteArray& command);
  // Sends what is still buffered (briefly), then closes; never throws.
  void close();

 private:
  void waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit, const QString& what);
  void flush();
  QByteArray readLine(const QByteArray& command);
  QString failureText() const;

  QString m_serverName;
  std::chrono::milliseconds m_replyTimeout;
  std::stop_token m_stop;
  std::unique_ptr<QSslSocket> m_socket;
};
