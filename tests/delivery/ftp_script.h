#pragma once

#include "support/files.h"
#include "support/python_server.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <memory>

// A scripted FTP server (tests/support/scripted_ftp_server.py) and what it
// received: the commands, one per line, and the data of each STOR.
class ScriptedFtp {
 public:
  explicit ScriptedFtp(const QJsonObject& script) {
    writeFile(m_dir.filePath(QStringLiteral("script.json")), QJsonDocument(script).toJson());
    server = std::make_unique<PythonServer>(
        QStringLiteral("scripted_ftp_server.py"),
        QStringList{m_dir.filePath(QStringLiteral("script.json")), transcriptPath()});
  }

  // A server that logs in, changes directory and takes every file.
  static QJsonObject willing() {
    return {{"greeting", "220 ready"}, {"USER", "331 password please"}, {"PASS", "230 in"},
            {"TYPE", "200 binary"},    {"CWD", "250 changed"},          {"PORT", "200 port ok"},
            {"STOR", "150 send it"}};
  }

  QString transcriptPath() const { return m_dir.filePath(QStringLiteral("transcript")); }
  QByteArray transcript() const { return readFile(transcriptPath()); }
  QByteArray stored(int n) const { return readFile(transcriptPath() + QStringLiteral(".data%1").arg(n)); }

  std::unique_ptr<PythonServer> server;

 private:
  QTemporaryDir m_dir;
};
