// The built program sends motion pictures by e-mail and FTP as a person sets it up:
// accounts on local servers, a camera with both boxes and a series of three.
#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "support/camera_key.h"
#include "support/event_loop.h"
#include "support/files.h"
#include "support/python_server.h"
#include "support/smtp_test_server.h"
#include "support/temp_home.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

using namespace std::chrono_literals;

TEST(DispatchProgramTest, HeadlessRunSendsOneSeriesByEmailAndFtpPerInterval) {
  TempHome home;
  QTemporaryDir ftpRoot;
  SmtpTestServer mailServer({});
  PythonServer ftpServer("ftp_test_server.py", {ftpRoot.path(), "camera", "secret"});
  {
    SettingsStore settings(home.file("settings.db"));
    ASSERT_TRUE(settings.OpenKey(applicationKey(), true));
    const std::pair<const char*, QString> account[] = {
        {"EMailServer", QStringLiteral("127.0.0.1:%1").arg(mailServer.port())},
        {"EMailUsername", "camera"},
        {"EMailPassword", "secret"},
        {"FromMail", "camera@example.org"},
        {"EMail1", "owner@example.org"},
        {"EMail2", ""},
        {"EMailText", "Front door"},
        {"EMailType", "0"},
        {"FTPServer", ftpServer.address()},
        {"FTPUsername", "camera"},
        {"FTPPassword", "secret"},
        {"FTPDirectory", ""}};
    for (const auto& [name, value] : account) settings.WriteString(name, value);
    writeCameraKey(
        settings, "Cam",
        {{"Detect", 1}, {"EMailImage", 1}, {"FTPImage", 1}, {"MultiEmailAtt", 1}, {"NrMultiEmailAtt", 3}});
  }

  QProcess program;
  program.setProgram(QStringLiteral(QUORVEX_PROGRAM));
  program.setArguments({"--home", home.path(), "--source", "Cam=test:snow", "-platform", "offscreen"});
  program.start();
  ASSERT_TRUE(program.waitForStarted(10000));
  const auto logged = [&](const char* text) {
    return readFile(home.file("Quorvex.log")).count(QByteArray("\r\n") + text);
  };
  ASSERT_TRUE(waitUntil([&] { return logged("Image Emailed on ") && logged("Image Uploaded on "); }, 20s))
      << readFile(home.file("Quorvex.log")).toStdString() << program.readAllStandardError().toStdString();
  const QStringList series = {"motion1.jpg", "motion2.jpg", "motion3.jpg"};

  // Motion goes on, but the interval is ten minutes.
  runEvents(3s);
  EXPECT_EQ(logged("Image Emailed on "), 1);
  EXPECT_EQ(logged("Image Uploaded on "), 1);
  ASSERT_EQ(mailServer.received().size(), 1);
  EXPECT_EQ(QDir(ftpRoot.path()).entryList(QDir::Files, QDir::Name), series);

  ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
  ASSERT_TRUE(program.waitForFinished(20000));
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 0);
  const QByteArray output = program.readAllStandardOutput();
  EXPECT_EQ(output.count("  Cam  Email  Image Emailed on "), 1) << output.toStdString();
  EXPECT_EQ(output.count("  Cam  FTP  Image Uploaded on\n"), 1) << output.toStdString();

  const QJsonArray attachments = parsedMail(mailServer.received()[0].file)["attachments"].toArray();
  ASSERT_EQ(attachments.size(), 3);
  for (int n = 1; n <= 3; ++n) {
    const QJsonObject attachment = attachments[n - 1].toObject();
    EXPECT_EQ(attachment["fileName"].toString(), QStringLiteral("Motion%1.jpg").arg(n));
    const QImage mailed =
        QImage::fromData(QByteArray::fromBase64(attachment["content"].toString().toLatin1()), "JPG");
    const QImage uploaded = QImage::fromData(readFile(ftpRoot.filePath(series[n - 1])), "JPG");
    EXPECT_EQ(mailed.width(), 640) << n;
    EXPECT_EQ(uploaded.width(), 640) << n;
  }
}
