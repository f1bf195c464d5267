#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "support/files.h"
#include "support/network_manager_mock.h"
#include "support/python_server.h"
#include "support/smtp_test_server.h"
#include "support/temp_home.h"
#include "support/test_certificates.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct SendRun {
  int code = -1;
  QString out;
  QString err;
};

SendRun send(const QString& home, const QStringList& args) {
  QProcess process;
  process.start(buildProgram(QStringLiteral("quorvex-send")), QStringList{"--home", home} + args);
  EXPECT_TRUE(process.waitForFinished(120000));
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          QString::fromUtf8(process.readAllStandardOutput()),
          QString::fromUtf8(process.readAllStandardError())};
}

void storeFtpAccount(const TempHome& home, const QString& server, const QString& directory) {
  SettingsStore settings(home.settingsFile());
  ASSERT_TRUE(settings.OpenKey(applicationKey(), true));
  settings.WriteString(QStringLiteral("FTPServer"), server);
  settings.WriteString(QStringLiteral("FTPUsername"), QStringLiteral("cam"));
  settings.WriteString(QStringLiteral("FTPPassword"), QStringLiteral("secret"));
  settings.WriteString(QStringLiteral("FTPDirectory"), directory);
}

QByteArray picture(int number) {
  return (QByteArray("\xFF\xD8\r\n\n") + QByteArray::number(number) + QByteArray("\x00\xFF\xD9", 3))
      .repeated(400);
}

TEST(QuorvexSend, UploadsASeriesByFtpAndLogsIt) {
  TempHome home;
  QTemporaryDir root;
  ASSERT_TRUE(QDir(root.path()).mkdir(QStringLiteral("up")));
  PythonServer server(QStringLiteral("ftp_test_server.py"),
                      {root.path(), QStringLiteral("cam"), QStringLiteral("secret")});
  storeFtpAccount(home, server.address(), QStringLiteral("up"));
  QStringList files;
  for (int n = 1; n <= 3; ++n) {
    files.append(home.file(QStringLiteral("shot%1.jpg").arg(n)));
    writeFile(files.last(), picture(n));
  }

  const SendRun run = send(home.path(), QStringList{"ftp"} + files);

  EXPECT_EQ(run.code, 0) << run.err.toStdString();
  EXPECT_TRUE(run.out.startsWith(QStringLiteral("Image Uploaded on "))) << run.out.toStdString();
  EXPECT_EQ(run.out.count(u'\n'), 1) << run.out.toStdString();
  EXPECT_EQ(QDir(root.filePath(QStringLiteral("up"))).entryList(QDir::Files),
            (QStringList{"motion1.jpg", "motion2.jpg", "motion3.jpg"}));
  for (int n = 1; n <= 3; ++n)
    EXPECT_EQ(readFile(root.filePath(QStringLiteral("up/motion%1.jpg").arg(n))), picture(n)) << n;
  const QByteArray log = readFile(home.file(QStringLiteral("Quorvex.log")));
  EXPECT_TRUE(log.contains("[quorvex-send]\r\n" + run.out.trimmed().toUtf8() + "=FTP\r\n"))
      << log.toStdString();
  EXPECT_TRUE(QDir(home.file(QStringLiteral("FTP"))).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty())
      << "the run's folder goes once sent";
}

// A series by e-mail to a server that wants STARTTLS and a login, trusted through
// the documented extra CA.
TEST(QuorvexSend, EmailsASeriesOverStartTlsWithALogin) {
  TempHome home;
  TestCertificates certificates;
  ASSERT_TRUE(certificates.isValid());
  SmtpTestServer server({QStringLiteral("cam"), QStringLiteral("secret"), true, SmtpTestServer::Tls::StartTls,
                         certificates.serverCertificate(), certificates.serverKey()});
  {
    SettingsStore settings(home.settingsFile());
    ASSERT_TRUE(settings.OpenKey(applicationKey(), true));
    settings.WriteString(QStringLiteral("EMailServer"), QStringLiteral("127.0.0.1:%1").arg(server.port()));
    settings.WriteString(QStringLiteral("EMailUsername"), QStringLiteral("cam"));
    settings.WriteString(QStringLiteral("EMailPassword"), QStringLiteral("secret"));
    settings.WriteString(QStringLiteral("FromMail"), QStringLiteral("cam@example.org"));
    settings.WriteString(QStringLiteral("EMail1"), QStringLiteral("me@example.org"));
    settings.WriteString(QStringLiteral("EMail2"), QStringLiteral("Address goes here"));
    settings.WriteString(QStringLiteral("Auth"), QStringLiteral("1"));
    settings.WriteString(QStringLiteral("EMailTrustedCA"), certificates.caFile());
  }
  QStringList files;
  for (int n = 1; n <= 3; ++n) {
    files.append(home.file(QStringLiteral("shot%1.jpg").arg(n)));
    writeFile(files.last(), picture(n));
  }

  const SendRun run = send(home.path(), QStringList{"email"} + files);

  EXPECT_EQ(run.code, 0) << run.err.toStdString();
  EXPECT_TRUE(run.out.startsWith(QStringLiteral("Image Emailed on "))) << run.out.toStdString();
  EXPECT_TRUE(run.out.endsWith(QStringLiteral(" to me@example.org and Address goes here\n")))
      << run.out.toStdString();
  const QList<SmtpTestServer::Received> received = server.received();
  ASSERT_EQ(received.size(), 1);
  EXPECT_TRUE(received[0].tls);
  EXPECT_EQ(received[0].login, QStringLiteral("cam"));
  const QJsonArray attachments = parsedMail(received[0].file)["attachments"].toArray();
  ASSERT_EQ(attachments.size(), 3);
  for (int n = 1; n <= 3; ++n) {
    EXPECT_EQ(attachments[n - 1].toObject()["fileName"].toString(), QStringLiteral("Motion%1.jpg").arg(n));
    EXPECT_EQ(QByteArray::fromBase64(attachments[n - 1].toObject()["content"].toString().toLatin1()),
              picture(n));
  }
  const QByteArray log = readFile(home.file(QStringLiteral("Quorvex.log")));
  EXPECT_TRUE(log.contains("[quorvex-send]\r\n" + run.out.trimmed().toUtf8() + "=Email\r\n"))
      << log.toStdString();
}

TEST(QuorvexSend, TellsWhyNothingWasSent) {
  struct Case {
    const char* name;
    bool account;
    QStringList args;  // after the channel
    int code;
    const char* out;  // its start; empty: nothing
    const char* err;
  };
  TempHome home;
  writeFile(home.file(QStringLiteral("shot.jpg")), picture(1));
  const QString shot = home.file(QStringLiteral("shot.jpg"));
  const Case cases[] = {
      {"no account", false, {shot}, 1, "", "No Settings!"},
      {"refused directory", true, {shot}, 1, "Image not Uploaded on ", "The server refused CWD"},
      {"no file", true, {}, 2, "", "usage: quorvex-send"},
      {"missing file", true, {home.file(QStringLiteral("none.jpg"))}, 2, "", "No such file"},
  };
  QTemporaryDir root;
  PythonServer server(QStringLiteral("ftp_test_server.py"),
                      {root.path(), QStringLiteral("cam"), QStringLiteral("secret")});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.account)
      storeFtpAccount(home, server.address(), QStringLiteral("missing"));
    const SendRun run = send(home.path(), QStringList{"ftp"} + c.args);
    EXPECT_EQ(run.code, c.code);
    if (*c.out) {
      EXPECT_TRUE(run.out.startsWith(QString::fromLatin1(c.out))) << run.out.toStdString();
    } else {
      EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    }
    EXPECT_TRUE(run.err.contains(QString::fromLatin1(c.err))) << run.err.toStdString();
  }
}

// In dial-up mode the run brings the chosen NetworkManager profile up, sends and
// takes it down again; a profile that was up before is left up, and so is one in
// LAN mode, where nothing is dialled.
TEST(QuorvexSend, DialsUpForTheRunAndHangsUpOnlyWhatItDialled) {
  struct Case {
    const char* name;
    qint32 connection;
    bool upBefore;
    int activations, deactivations;  // asked by the run
    bool upAfter;
  };
  const Case cases[] = {
      {"dial-up, the profile down", 1, false, 1, 1, false},
      {"dial-up, the profile up before", 1, true, 0, 0, true},
      {"LAN, the profile up", 2, true, 0, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NetworkManagerMock mock;
    ASSERT_TRUE(mock.isValid());
    const QString line = mock.addProfile("Line", "pppoe", "u-line");
    mock.addProfile("Office", "802-3-ethernet", "u-office");
    mock.addProfile("Mobile", "gsm", "u-mobile");
    if (c.upBefore)
      mock.activate(line);
    const int activatedBefore = mock.calls("ActivateConnection");
    TempHome home;
    QTemporaryDir root;
    PythonServer server(QStringLiteral("ftp_test_server.py"),
                        {root.path(), QStringLiteral("cam"), QStringLiteral("secret")});
    storeFtpAccount(home, server.address(), QString());
    {
      SettingsStore settings(home.settingsFile());
      ASSERT_TRUE(settings.OpenKey(applicationKey(), true));
      settings.WriteInteger(QStringLiteral("Connection"), c.connection);
      settings.WriteInteger(QStringLiteral("DailNum"), 0);  // Line, before Mobile
    }
    writeFile(home.file(QStringLiteral("shot.jpg")), picture(1));

    const SendRun run = send(home.path(), {"ftp", "--dial-check-interval", "1000", home.file("shot.jpg")});

    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(readFile(root.filePath(QStringLiteral("motion.jpg"))), picture(1));
    EXPECT_EQ(mock.calls("ActivateConnection") - activatedBefore, c.activations);
    EXPECT_EQ(mock.calls("DeactivateConnection"), c.deactivations);
    EXPECT_EQ(mock.activeConnections().size(), c.upAfter ? 1 : 0);
  }
}

}  // namespace
