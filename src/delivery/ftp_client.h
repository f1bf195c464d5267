#pragma once

#include "delivery/server_address.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>
#include <stop_token>

class QTcpSocket;

// A blocking FTP client (RFC 959) for one worker thread, storing files over active
// data connections. Every failure (refused, unexpected reply, time-out, stop
// requested) throws Error with what happened.
class FtpClient {
 public:
  struct Timeouts {
    std::chrono::milliseconds connect{30'000};
    // Every reply, and the server's opening of the data connection.
    std::chrono::milliseconds reply{60'000};
  };

  FtpClient(ServerAddress server, Timeouts timeouts, std::stop_token stop = {});
  ~FtpClient();
  FtpClient(const FtpClient&) = delete;
  FtpClient& operator=(const FtpClient&) = delete;

  // Connects and reads the greeting (220).
  void connectToServer();
  bool isConnected() const;
  // USER, PASS when asked for (331), then TYPE I so that the bytes arrive unchanged.
  void login(const QString& userName, const QString& password);
  // CWD; nothing for an empty directory, which means the login directory.
  void changeDirectory(const QString& directory);
  // PORT (EPRT over IPv6), STOR, the bytes over the data connection the server opens
  // from its own address, then the final reply: 226, 250 or 225; 426 or 450 (the
  // transfer was aborted) and every other reply are failures.
  void store(const QString& remoteName, const QByteArray& content);
  // DELE: the file is removed from the current directory (250).
  void remove(const QString& remoteName);
  // "QUIT" without waiting for its reply, then the connection is closed.
  void quit();
  // Closes the connection without a word.
  void close();

 private:
  struct Reply {
    int code = 0;
    QString text;
  };
  using Deadline = std::chrono::steady_clock::time_point;

  Reply command(const QString& line);
  void send(const QString& line);
  Reply readReply();
  QByteArray readLine(Deadline deadline);
  void expect(const Reply& reply, std::initializer_list<int> codes, const QString& what) const;
  // Repeats `wait` in short steps until it holds, the deadline passes or a stop is
  // requested, so that no wait outlasts a stop by more than a step.
  template <typename Wait>
  void await(Wait wait, Deadline deadline, const QString& what);
  QByteArray dataPortCommand(quint16 port) const;

  ServerAddress m_server;
  Timeouts m_timeouts;
  std::stop_token m_stop;
  std::unique_ptr<QTcpSocket> m_control;
};
