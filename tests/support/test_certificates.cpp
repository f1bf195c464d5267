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

const QStringList kNewKey{QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                          QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};

// A server certificate `name`.pem with key `name`.key for `ip`, signed by ca.pem.
bool makeServerCertificate(const QString& folder, const QString& name, const QString& ip) {
  QFile extensions(folder + u'/' + name + QStringLiteral(".ext"));
  if (!extensions.open(QIODevice::WriteOnly) ||
      extensions.write("subjectAltName=IP:" + ip.toLatin1() +
                       "\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n") < 0) {
    ADD_FAILURE() << "cannot write " << extensions.fileName().toStdString();
    return false;
  }
  extensions.close();
  return runOpenssl(folder, QStringList{QStringLiteral("req")} + kNewKey +
                                QStringList{QStringLiteral("-keyout"), name + QStringLiteral(".key"),
                                            QStringLiteral("-out"), name + QStringLiteral(".csr"),
                                            QStringLiteral("-subj"), QStringLiteral("/CN=") + ip}) &&
         runOpenssl(folder,
                    {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                     name + QStringLiteral(".csr"), QStringLiteral("-CA"), QStringLiteral("ca.pem"),
                     QStringLiteral("-CAkey"), QStringLiteral("ca.key"), QStringLiteral("-CAcreateserial"),
                     QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-extfile"),
                     name + QStringLiteral(".ext"), QStringLiteral("-out"), name + QStringLiteral(".pem")});
}

}  // namespace

TestCertificates::TestCertificates() {
  const QString folder = m_dir.path();
  m_valid =
      runOpenssl(folder,
                 QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + kNewKey +
                     QStringList{QStringLiteral("-keyout"), QStringLiteral("ca.key"), QStringLiteral("-out"),
                                 QStringLiteral("ca.pem"), QStringLiteral("-days"), QStringLiteral("2"),
                                 QStringLiteral("-subj"), QStringLiteral("/CN=Quorvex Test CA")}) &&
      makeServerCertificate(folder, QStringLiteral("server"), QStringLiteral("127.0.0.1")) &&
      makeServerCertificate(folder, QStringLiteral("other"), QStringLiteral("192.0.2.1"));
}
