#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// A test server written in Python (tests/support), run with /usr/bin/python3
// on 127.0.0.1 for the lifetime of the object. The script prints its port first.
class PythonServer {
 public:
  // Fails the test (port() is then 0) when the server does not come up.
  PythonServer(const QString& script, const QStringList& arguments);
  ~PythonServer();
  PythonServer(const PythonServer&) = delete;
  PythonServer& operator=(const PythonServer&) = delete;

  quint16 port() const { return m_port; }
  // "127.0.0.1:<port>", as a server is named in the settings.
  QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }
  // Waits for a server that ends by itself (after its one client); false when it has not.
  bool waitForExit() { return m_process.state() == QProcess::NotRunning || m_process.waitForFinished(30000); }
  // What the server wrote on standard error so far.
  QString errors();

 private:
  QProcess m_process;
  quint16 m_port = 0;
};
