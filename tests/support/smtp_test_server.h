#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A real SMTP server (aiosmtpd, started with /usr/bin/python3) on a free port of
// 127.0.0.1 for the lifetime of the object. It stores every message it accepts.
class SmtpTestServer {
 public:
  enum class Tls { None, StartTls, Implicit };
  struct Options {
    // With a user name the server requires AUTH with these credentials.
    QString userName;
    QString password;
    bool offerLogin = true;  // false: AUTH PLAIN only
    Tls tls = Tls::None;     // STARTTLS is then required before MAIL
    QString certificate;     // PEM files for TLS
    QString key;
  };
  struct Received {
    QString mailFrom;
    QStringList recipients;
    QString mechanism;  // the AUTH mechanism used, empty without AUTH
    QString login;
    bool tls = false;
    QByteArray content;  // the message as received, dots unstuffed
    QString file;        // where it is stored
  };

  explicit SmtpTestServer(const Options& options);
  ~SmtpTestServer();
  SmtpTestServer(const SmtpTestServer&) = delete;
  SmtpTestServer& operator=(const SmtpTestServer&) = delete;

  // 0 when the server did not start (the test has then failed).
  quint16 port() const { return m_port; }
  // The messages accepted so far, in order.
  QList<Received> received() const;

 private:
  QTemporaryDir m_dir;
  QProcess m_process;
  quint16 m_port = 0;
};

// What Python's email package makes of the message in `file`: "headers" (name to
// value), "contentType", "text" (the decoded text/plain parts), "attachments" (each
// with "fileName", "contentType" and "content" in base64) and "defects".
QJsonObject parsedMail(const QString& file);
