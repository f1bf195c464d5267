#include "smtp_test_server.h"

#include "files.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");

QString supportScript(const char* name) {
  return QStringLiteral(QUORVEX_TEST_SUPPORT_DIR "/") + QLatin1String(name);
}

}  // namespace

SmtpTestServer::SmtpTestServer(const Options& options) {
  QStringList arguments{supportScript("smtp_test_server.py"), QStringLiteral("--out"), m_dir.path()};
  if (!options.userName.isEmpty())
    arguments << QStringLiteral("--user") << options.userName << QStringLiteral("--password")
              << options.password;
  if (!options.offerLogin)
    arguments << QStringLiteral("--no-login");
  if (options.tls != Tls::None)
    arguments << QStringLiteral("--tls")
              << (options.tls == Tls::StartTls ? QStringLiteral("starttls") : QStringLiteral("implicit"))
              << QStringLiteral("--certificate") << options.certificate << QStringLiteral("--key")
              << options.key;
  m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  m_process.start(kPython, arguments);
  // Interpreter start and the library import take a while on a loaded machine.
  QByteArray line;
  while (!line.endsWith('\n') && m_process.waitForReadyRead(60'000)) line += m_process.readLine();
  if (!line.startsWith("READY ")) {
    ADD_FAILURE() << "the SMTP test server did not start: " << line.toStdString();
    return;
  }
  m_port = static_cast<quint16>(line.mid(6).trimmed().toUInt());
}

SmtpTestServer::~SmtpTestServer() {
  m_process.closeWriteChannel();
  if (!m_process.waitForFinished(10'000)) {
    m_process.kill();
    m_process.waitForFinished(10'000);
  }
}

QList<SmtpTestServer::Received> SmtpTestServer::received() const {
  QList<Received> messages;
  for (int index = 1;; ++index) {
    const QString base = m_dir.filePath(QStringLiteral("message-%1").arg(index));
    const QByteArray info = readFile(base + QStringLiteral(".json"));
    if (info.isEmpty())
      return messages;
    const QJsonObject object = QJsonDocument::fromJson(info).object();
    Received message;
    message.mailFrom = object.value(QStringLiteral("mailFrom")).toString();
    for (const QJsonValue& recipient : object.value(QStringLiteral("recipients")).toArray())
      message.recipients += recipient.toString();
    message.mechanism = object.value(QStringLiteral("mechanism")).toString();
    message.login = object.value(QStringLiteral("login")).toString();
    message.tls = object.value(QStringLiteral("tls")).toBool();
    message.file = base + QStringLiteral(".eml");
    message.content = readFile(message.file);
    messages += message;
  }
}

QJsonObject parsedMail(const QString& file) {
  QProcess process;
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process.start(kPython, {supportScript("mime_summary.py"), file});
  if (!process.waitForFinished(60'000) || process.exitCode() != 0) {
    ADD_FAILURE() << "parsing " << file.toStdString() << " failed";
    return {};
  }
  return QJsonDocument::fromJson(process.readAllStandardOutput()).object();
}
