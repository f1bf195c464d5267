#include "test_certificates.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

bool runOpenssl(const QString& folder, const QStringList& arguments) {
  QProcess process;
  process.setWorkingDirectory(folder);
  process.start(QStringLiteral("openssl"), arguments);
  if (!process.waitForFinished(60'000) || process.exitStatus() != QProcess::NormalExit ||
      process.exitCode() != 0) {
    ADD_FAILURE() << "openssl " << arguments.join(u' ').toStdString()
                  << " failed: " << process.readAllStandardError().toStdString();
    return false;
  }
  return true;
}

}  // namespace

TestCertificates::TestCertificates() {
  const QString folder = m_dir.path();
  const QStringList ecKey{QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                          QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
  QFile extensions(m_dir.filePath(QStringLiteral("server.ext")));
  if (!extensions.open(QIODevice::WriteOnly) ||
      extensions.write(
          "subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n") < 0) {
    ADD_FAILURE() << "cannot write " << extensions.fileName().toStdString();
    return;
  }
  extensions.close();
  m_valid =
      runOpenssl(folder,
                 QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ecKey +
                     QStringList{QStringLiteral("-keyout"), QStringLiteral("ca.key"), QStringLiteral("-out"),
                                 QStringLiteral("ca.pem"), QStringLiteral("-days"), QStringLiteral("2"),
                                 QStringLiteral("-subj"), QStringLiteral("/CN=Quorvex Test CA")}) &&
      runOpenssl(folder, QStringList{QStringLiteral("req")} + ecKey +
                             QStringList{QStringLiteral("-keyout"), QStringLiteral("server.key"),
                                         QStringLiteral("-out"), QStringLiteral("server.csr"),
                                         QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1")}) &&
      runOpenssl(folder,
                 {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                  QStringLiteral("server.csr"), QStringLiteral("-CA"), QStringLiteral("ca.pem"),
                  QStringLiteral("-CAkey"), QStringLiteral("ca.key"), QStringLiteral("-CAcreateserial"),
                  QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-extfile"),
                  QStringLiteral("server.ext"), QStringLiteral("-out"), QStringLiteral("server.pem")});
}
