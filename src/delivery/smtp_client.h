#pragma once

#include "delivery/mail_message.h"
#include "delivery/server_address.h"

#include <QString>

#include <chrono>
#include <memory>
#include <stop_token>

// A blocking SMTP client for one worker thread. Every failure (refused, unexpected
// reply, time-out, failed certificate check, stop requested) throws `Error`.
// Create, use and destroy it on one thread; its waits run that thread's event loop,
// so a QCoreApplication must exist.
class SmtpClient {
 public:
  enum class Authentication {
    None,          // never authenticate
    Login,         // AUTH LOGIN when the server lists LOGIN, else nothing
    LoginOrPlain,  // AUTH LOGIN when listed, else AUTH PLAIN when listed
  };

  struct Account {
    ServerAddress server;
    QString userName;
    QString password;
    // A PEM file of certificates trusted besides the system's roots; empty for none.
    QString extraCaFile;
    // A server on this port speaks TLS from the first byte (RFC 8314); on any other
    // port STARTTLS is used when the server offers it.
    quint16 implicitTlsPort = 465;
  };

  struct Timeouts {
    std::chrono::milliseconds connect{30'000};
    std::chrono::milliseconds reply{60'000};
  };

  // `stop` ends any wait at once (the run is then abandoned with an error).
  SmtpClient(Account account, Authentication authentication, Timeouts timeouts, std::stop_token stop = {});
  // The default time-outs. (A default argument cannot be `Timeouts{}` inside the class.)
  SmtpClient(Account account, Authentication authentication);
  ~SmtpClient();

  // Greeting, EHLO (HELO when EHLO is refused), STARTTLS and EHLO again when offered.
  void connectToServer();
  bool isConnected() const;
  // Whether the connection runs over TLS (from the first byte or after STARTTLS).
  bool isEncrypted() const;
  void setAuthentication(Authentication authentication);
  // RSET, AUTH when due, MAIL FROM, RCPT TO per recipient, DATA, the message, ".".
  void send(const MailMessage& message);
  // "QUIT" without waiting for its reply, then the connection is closed.
  void disconnectFromServer();

 private:
  struct Session;
  void greet(Session& session);
  void authenticate(Session& session);

  Account m_account;
  Authentication m_authentication;
  Timeouts m_timeouts;
  std::stop_token m_stop;
  std::unique_ptr<Session> m_session;
};
