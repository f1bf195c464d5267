#include "delivery/ftp_client.h"

#include "base/error.h"
#include "ftp_script.h"
#include "support/files.h"
#include "support/python_server.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace {

using namespace std::chrono_literals;

const FtpClient::Timeouts kShort{5s, 5s};

ServerAddress local(quint16 port) { return {QStringLiteral("127.0.0.1"), port}; }

// Bytes that a line-end conversion would change.
QByteArray picture(int number) {
  return (QByteArray("\xFF\xD8 line\r\nend\n\r") + QByteArray::number(number) + QByteArray("\x00\x1A\xFF", 3))
      .repeated(300 + number);
}

TEST(FtpClient, StoresFilesByteForByteOnARealServer) {
  QTemporaryDir root;
  ASSERT_TRUE(QDir(root.path()).mkdir(QStringLiteral("up")));
  writeFile(root.filePath(QStringLiteral("up/motion2.jpg")), "an older picture");
  PythonServer server(QStringLiteral("ftp_test_server.py"),
                      {root.path(), QStringLiteral("cam"), QStringLiteral("secret")});
  ASSERT_NE(server.port(), 0);

  FtpClient client(local(server.port()), kShort);
  client.connectToServer();
  ASSERT_TRUE(client.isConnected());
  client.login(QStringLiteral("cam"), QStringLiteral("secret"));
  client.changeDirectory(QStringLiteral("up"));
  for (int n = 1; n <= 3; ++n) client.store(QStringLiteral("motion%1.jpg").arg(n), picture(n));
  client.quit();

  for (int n = 1; n <= 3; ++n)
    EXPECT_EQ(readFile(root.filePath(QStringLiteral("up/motion%1.jpg").arg(n))), picture(n)) << n;
}

TEST(FtpClient, RemovesAStoredFileAndRefusesToRemoveAMissingOne) {
  QTemporaryDir root;
  PythonServer server(QStringLiteral("ftp_test_server.py"),
                      {root.path(), QStringLiteral("cam"), QStringLiteral("secret")});
  ASSERT_NE(server.port(), 0);

  FtpClient client(local(server.port()), kShort);
  client.connectToServer();
  client.login(QStringLiteral("cam"), QStringLiteral("secret"));
  client.store(QStringLiteral("probe.txt"), "probe");
  ASSERT_TRUE(QFileInfo::exists(root.filePath(QStringLiteral("probe.txt"))));
  client.remove(QStringLiteral("probe.txt"));
  EXPECT_FALSE(QFileInfo::exists(root.filePath(QStringLiteral("probe.txt"))));
  try {
    client.remove(QStringLiteral("probe.txt"));
    ADD_FAILURE() << "a missing file was removed";
  } catch (const Error& error) {
    EXPECT_TRUE(error.message().startsWith(QStringLiteral("The server refused DELE: "))) << error.what();
  }
  client.quit();
}

TEST(FtpClient, SpeaksTheExactExchangeAndReadsMultiLineReplies) {
  QJsonObject script = ScriptedFtp::willing();
  script["greeting"] = "220-Welcome\r\n220-to the\r\n220 server";
  script["PASS"] = "230-Logged in\r\n230 ok";
  ScriptedFtp ftp(script);
  FtpClient client(local(ftp.server->port()), kShort);
  client.connectToServer();
  client.login(QStringLiteral("cam"), QStringLiteral("pw"));
  client.changeDirectory(QStringLiteral("pictures/cam 1"));
  client.store(QStringLiteral("motion.jpg"), picture(0));
  client.quit();
  ASSERT_TRUE(ftp.server->waitForExit());  // the transcript is complete once the server is gone

  const QString transcript = QString::fromLatin1(ftp.transcript());
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^USER cam\nPASS pw\nTYPE I\nCWD pictures/cam 1\n"
                                                "PORT 127,0,0,1,\\d+,\\d+\nSTOR motion.jpg\nQUIT\n$"))
                  .match(transcript)
                  .hasMatch())
      << transcript.toStdString();
  EXPECT_EQ(ftp.stored(1), picture(0));
}

TEST(FtpClient, AnEmptyDirectoryIsTheLoginDirectory) {
  ScriptedFtp ftp(ScriptedFtp::willing());
  FtpClient client(local(ftp.server->port()), kShort);
  client.connectToServer();
  client.login(QStringLiteral("cam"), QStringLiteral("pw"));
  client.changeDirectory(QString());
  client.store(QStringLiteral("motion.jpg"), "x");
  client.quit();
  ASSERT_TRUE(ftp.server->waitForExit());
  EXPECT_FALSE(ftp.transcript().contains("CWD")) << ftp.transcript().toStdString();
}

TEST(FtpClient, RefusedStepsAndAbortedTransfersFail) {
  struct Case {
    const char* name;
    std::function<void(QJsonObject&)> change;
    const char* errorPart;
  };
  const Case cases[] = {
      {"426 after the data",
       [](QJsonObject& s) {
         s["after_stor"] = QJsonArray{"426 aborted", "226 closed"};
       },
       "426 aborted"},
      {"450 after the data",
       [](QJsonObject& s) {
         s["after_stor"] = QJsonArray{"450 busy", "226 closed"};
       },
       "450 busy"},
      {"refused directory", [](QJsonObject& s) { s["CWD"] = "550 no such directory"; },
       "550 no such directory"},
      {"refused login", [](QJsonObject& s) { s["PASS"] = "530 wrong password"; }, "530 wrong password"},
      {"refused binary type", [](QJsonObject& s) { s["TYPE"] = "504 no"; }, "504 no"},
      {"refused STOR", [](QJsonObject& s) { s["STOR"] = "553 not allowed"; }, "553 not allowed"},
      {"no greeting", [](QJsonObject& s) { s["greeting"] = QJsonValue(); }, "Timed out waiting for a reply"},
      {"not FTP", [](QJsonObject& s) { s["greeting"] = "SSH-2.0-OpenSSH"; }, "Not an FTP reply"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QJsonObject script = ScriptedFtp::willing();
    c.change(script);
    ScriptedFtp ftp(script);
    FtpClient client(local(ftp.server->port()), {5s, 500ms});
    try {
      client.connectToServer();
      client.login(QStringLiteral("cam"), QStringLiteral("pw"));
      client.changeDirectory(QStringLiteral("up"));
      client.store(QStringLiteral("motion.jpg"), picture(1));
      ADD_FAILURE() << "no error";
    } catch (const Error& error) {
      EXPECT_TRUE(error.message().contains(QString::fromLatin1(c.errorPart)))
          << error.message().toStdString();
    }
  }
}

TEST(FtpClient, AConnectionThatIsRefusedFails) {
  quint16 closedPort = 0;
  {
    PythonServer server(QStringLiteral("ftp_test_server.py"),
                        {QDir::tempPath(), QStringLiteral("a"), QStringLiteral("b")});
    closedPort = server.port();
  }
  FtpClient client(local(closedPort), kShort);
  EXPECT_THROW(client.connectToServer(), Error);
  EXPECT_FALSE(client.isConnected());
}

// The data connection is the server's: one from another address is dropped
// unread, and the file goes over the server's own.
TEST(FtpClient, AcceptsTheDataConnectionOnlyFromTheServer) {
  QJsonObject script = ScriptedFtp::willing();
  script["foreign_first"] = true;
  ScriptedFtp ftp(script);
  FtpClient client(local(ftp.server->port()), kShort);
  client.connectToServer();
  client.login(QStringLiteral("cam"), QStringLiteral("pw"));
  client.store(QStringLiteral("motion.jpg"), picture(7));
  client.quit();
  ASSERT_TRUE(ftp.server->waitForExit());
  EXPECT_EQ(ftp.stored(1), picture(7));
  const QByteArray transcript = ftp.transcript();
  EXPECT_TRUE(transcript.contains("foreign got b''") ||
              transcript.contains("foreign got ConnectionResetError"))
      << transcript.toStdString();
}

TEST(FtpClient, AStopEndsAWaitAtOnce) {
  QJsonObject script = ScriptedFtp::willing();
  script["greeting"] = QJsonValue();  // silence
  ScriptedFtp ftp(script);
  std::stop_source stop;
  FtpClient client(local(ftp.server->port()), {60s, 60s}, stop.get_token());
  std::thread stopper([&stop] {
    std::this_thread::sleep_for(300ms);
    stop.request_stop();
  });
  QElapsedTimer timer;
  timer.start();
  EXPECT_THROW(client.connectToServer(), Error);
  stopper.join();
  EXPECT_LT(timer.elapsed(), 5000);
}

}  // namespace
