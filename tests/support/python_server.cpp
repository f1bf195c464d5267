#include "support/python_server.h"

#include <gtest/gtest.h>

PythonServer::PythonServer(const QString& script, const QStringList& arguments) {
  m_process.setProgram(QStringLiteral("/usr/bin/python3"));
  m_process.setArguments(QStringList{QStringLiteral(QUORVEX_TEST_SUPPORT_DIR "/") + script} + arguments);
  m_process.start();
  if (!m_process.waitForStarted(30000)) {
    ADD_FAILURE() << "cannot start " << script.toStdString();
    return;
  }
  while (!m_process.canReadLine() && m_process.state() == QProcess::Running)
    m_process.waitForReadyRead(30000);
  bool ok = false;
  m_port = static_cast<quint16>(m_process.readLine().trimmed().toUInt(&ok));
  if (!ok || m_port == 0)
    ADD_FAILURE() << script.toStdString() << " did not start: " << errors().toStdString();
}

PythonServer::~PythonServer() {
  m_process.kill();
  m_process.waitForFinished(30000);
}

QString PythonServer::errors() { return QString::fromUtf8(m_process.readAllStandardError()); }
