#pragma once

#include <QByteArray>

#include <atomic>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <thread>

// An SMTP server with a script, on its own thread and a free port of 127.0.0.1, for
// one connection. It records every byte the client sends. The usual answers (below)
// can be replaced per line; an empty answer is silence.
class ScriptedSmtpServer {
 public:
  // The answer to one line the client sent (a command, an AUTH LOGIN response or
  // the "." ending the message); nothing for the usual answer.
  using Script = std::function<std::optional<QByteArray>(const QByteArray& line)>;

  static constexpr const char* kEhloReply = "250-scripted.test\r\n250-8BITMIME\r\n250 AUTH LOGIN PLAIN\r\n";

  explicit ScriptedSmtpServer(QByteArray ehloReply = kEhloReply, Script script = {},
                              QByteArray greeting = "220 scripted.test ESMTP\r\n");
  ~ScriptedSmtpServer();
  ScriptedSmtpServer(const ScriptedSmtpServer&) = delete;
  ScriptedSmtpServer& operator=(const ScriptedSmtpServer&) = delete;

  quint16 port() const { return m_port; }
  // Everything the client sent, once it has closed the connection (at most 30 s later).
  QByteArray received();

 private:
  void serve(std::promise<quint16> port);
  QByteArray answer(const QByteArray& line);

  QByteArray m_ehloReply;
  Script m_script;
  QByteArray m_greeting;
  quint16 m_port = 0;
  std::atomic<bool> m_stop{false};
  std::promise<void> m_closedPromise;
  std::shared_future<void> m_closed;
  std::mutex m_mutex;
  QByteArray m_received;
  // Server thread only.
  int m_loginStep = 0;
  bool m_inData = false;
  std::thread m_thread;
};
