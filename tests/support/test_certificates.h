#pragma once

#include <QString>
#include <QTemporaryDir>

// A CA and server certificates signed by it (one for IP 127.0.0.1, one for 192.0.2.1),
// made with the openssl command in a temporary folder. Clients trust the CA through its
// PEM file.
class TestCertificates {
 public:
  TestCertificates();
  TestCertificates(const TestCertificates&) = delete;
  TestCertificates& operator=(const TestCertificates&) = delete;

  bool isValid() const { return m_valid; }
  QString caFile() const { return m_dir.filePath(QStringLiteral("ca.pem")); }
  QString serverCertificate() const { return m_dir.filePath(QStringLiteral("server.pem")); }
  QString serverKey() const { return m_dir.filePath(QStringLiteral("server.key")); }
  // A valid certificate that names another address than 127.0.0.1.
  QString otherServerCertificate() const { return m_dir.filePath(QStringLiteral("other.pem")); }
  QString otherServerKey() const { return m_dir.filePath(QStringLiteral("other.key")); }

 private:
  QTemporaryDir m_dir;
  bool m_valid = false;
};
