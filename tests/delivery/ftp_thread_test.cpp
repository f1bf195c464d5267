#include "delivery/ftp_thread.h"

#include "delivery/staged_files.h"
#include "delivery_fixture.h"
#include "eventlog/date_time_text.h"
#include "ftp_script.h"
#include "support/python_server.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <functional>

namespace {

using namespace std::chrono_literals;

SettingsValue text(const char* name, const QString& value) {
  return {QString::fromLatin1(name), SettingsType::String, 0, value};
}

class FtpThreadTest : public DeliveryFixture {
 protected:
  QString ftpFolder() const { return home.file(QStringLiteral("FTP/")); }

  void stage(const QStringList& names) {
    for (const QString& name : names)
      writeFile(ftpFolder() + name, picture(name.mid(6).section(u'.', 0, 0).toInt()));
  }

  void storeAccount(const QString& server, const QString& directory = QStringLiteral("up")) {
    store({text("FTPServer", server), text("FTPUsername", QStringLiteral("cam")),
           text("FTPPassword", QStringLiteral("secret")), text("FTPDirectory", directory)});
  }

  // Moves the staged pictures into a run folder and makes its worker for camera 0.
  std::unique_ptr<FTPThread> worker(DeliveryTimings timings = shortTimings()) {
    auto made = std::make_unique<FTPThread>(context(timings), moveStagedFiles(ftpFolder(), clock.now()));
    made->Caption = QStringLiteral("Cam");
    return made;
  }

  QString dt() const { return DateTimeText(clock.now()); }
  QStringList failed() const {
    return {QStringLiteral("status 2 Uploading via FTP....Failed!"),
            QStringLiteral("log Cam | Image not Uploaded on %1 | FTP").arg(dt())};
  }
};

// No "DailNum" or "Connection" is stored: an upload does not need them.
TEST_F(FtpThreadTest, UploadsASeriesInOrderAndRemovesTheRunFolder) {
  QTemporaryDir root;
  ASSERT_TRUE(QDir(root.path()).mkdir(QStringLiteral("up")));
  PythonServer server(QStringLiteral("ftp_test_server.py"),
                      {root.path(), QStringLiteral("cam"), QStringLiteral("secret")});
  storeAccount(server.address());
  stage({"Motion1.jpg", "Motion2.jpg", "Motion3.jpg", "Motion.jpg", "Motion11.jpg"});

  std::unique_ptr<FTPThread> upload = worker();
  ASSERT_TRUE(runToEnd(*upload));

  EXPECT_EQ(upload->ResultCode, 0) << upload->errorText().toStdString();
  EXPECT_EQ(QDir(root.filePath(QStringLiteral("up"))).entryList(QDir::Files),
            (QStringList{"motion1.jpg", "motion2.jpg", "motion3.jpg"}));
  for (int n = 1; n <= 3; ++n)
    EXPECT_EQ(readFile(root.filePath(QStringLiteral("up/motion%1.jpg").arg(n))), picture(n)) << n;
  EXPECT_FALSE(QFileInfo::exists(upload->runFolder()));
  EXPECT_TRUE(QFileInfo::exists(ftpFolder() + "Motion.jpg")) << "not part of a series run";
  EXPECT_TRUE(QFileInfo::exists(ftpFolder() + "Motion11.jpg")) << "never part of a run";
  EXPECT_EQ(services->calls, (QStringList{QStringLiteral("status 2 Uploading via FTP Completed."),
                                          QStringLiteral("log Cam | Image Uploaded on %1 | FTP").arg(dt())}));
  EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(FtpThreadTest, AFailedRunReportsOnceAndKeepsItsPictures) {
  struct Case {
    const char* name;
    std::function<void(QJsonObject&)> script;
    QList<SettingsValue> settings;  // over the account
    bool connects;
  };
  const Case cases[] = {
      {"aborted transfer",
       [](QJsonObject& s) {
         s["after_stor"] = QJsonArray{"426 aborted", "226 closed"};
       },
       {},
       true},
      {"refused directory", [](QJsonObject& s) { s["CWD"] = "550 no"; }, {}, true},
      {"line break in the directory",
       {},
       {text("FTPDirectory", QStringLiteral("up\r\nDELE motion1.jpg"))},
       false},
      {"line break in the user name", {}, {text("FTPUsername", QStringLiteral("cam\nSITE EXEC x"))}, false},
      {"proxy port not a number",
       {},
       {text("FTPProxy", QStringLiteral("proxy")), text("FTPProxyPort", QStringLiteral("80a"))},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    services->calls.clear();
    QJsonObject script = ScriptedFtp::willing();
    if (c.script)
      c.script(script);
    ScriptedFtp ftp(script);
    storeAccount(ftp.server->address());
    store(c.settings);
    stage({"Motion1.jpg", "Motion2.jpg"});

    std::unique_ptr<FTPThread> upload = worker();
    ASSERT_TRUE(runToEnd(*upload));

    EXPECT_EQ(upload->ResultCode, 1);
    EXPECT_EQ(services->calls, failed());
    EXPECT_EQ(QDir(upload->runFolder()).entryList(QDir::Files), (QStringList{"Motion1.jpg", "Motion2.jpg"}));
    if (c.connects) {
      ASSERT_TRUE(ftp.server->waitForExit());
      EXPECT_TRUE(ftp.transcript().endsWith("QUIT\n")) << ftp.transcript().toStdString();
    } else {
      ftp.server.reset();
      EXPECT_TRUE(ftp.transcript().isEmpty()) << "connected: " << ftp.transcript().toStdString();
    }
    store({text("FTPDirectory", QStringLiteral("up")), text("FTPUsername", QStringLiteral("cam"))});
    SettingsStore settings(home.file(QStringLiteral("settings.db")));
    ASSERT_TRUE(settings.OpenKey(applicationKey(), true));
    settings.DeleteValue(QStringLiteral("FTPProxy"));
  }
}

// A failed series stays in its run folder: the next single picture goes out alone.
TEST_F(FtpThreadTest, AFailedSeriesIsNeverSentInPlaceOfANewerPicture) {
  QTemporaryDir root;
  PythonServer server(QStringLiteral("ftp_test_server.py"),
                      {root.path(), QStringLiteral("cam"), QStringLiteral("secret")});
  storeAccount(server.address(), QStringLiteral("missing"));
  stage({"Motion1.jpg", "Motion2.jpg"});
  std::unique_ptr<FTPThread> first = worker();
  ASSERT_TRUE(runToEnd(*first));
  ASSERT_EQ(first->ResultCode, 1);

  storeAccount(server.address(), QString());
  stage({"Motion.jpg"});
  std::unique_ptr<FTPThread> second = worker();
  ASSERT_TRUE(runToEnd(*second));
  EXPECT_EQ(second->ResultCode, 0) << second->errorText().toStdString();
  EXPECT_NE(first->runFolder(), second->runFolder());
  EXPECT_EQ(QDir(root.path()).entryList(QDir::Files), QStringList{"motion.jpg"});
  EXPECT_EQ(QDir(first->runFolder()).entryList(QDir::Files), (QStringList{"Motion1.jpg", "Motion2.jpg"}));
}

TEST_F(FtpThreadTest, WithoutAnAccountTheUserIsToldAndNothingIsReported) {
  stage({"Motion.jpg"});
  std::unique_ptr<FTPThread> upload = worker();
  ASSERT_TRUE(runToEnd(*upload));
  ASSERT_EQ(prompts.shown.size(), 1);
  EXPECT_EQ(prompts.shown[0].text,
            QStringLiteral("No Settings!\r\rPlease run FTP Wizard\rfrom Options menu."));
  EXPECT_EQ(prompts.shown[0].icon, Prompts::Icon::Error);
  EXPECT_EQ(prompts.shown[0].helpContext, 22);
  EXPECT_TRUE(services->calls.isEmpty());
  EXPECT_EQ(services->releases, 0);
  EXPECT_TRUE(QFileInfo::exists(upload->runFolder() + "Motion.jpg"));
}

// The connection type decides whether the run goes out, dials first, or stays home;
// only a run that acquired the connection releases it.
TEST_F(FtpThreadTest, TheConnectionTypeDecidesWhetherAndWhenTheRunGoesOut) {
  struct Case {
    const char* name;
    ConnectionSetup setup;
    int checksToConnect;  // of the one dial entry
    bool reported, uploaded;
    const char* error;
    int releases, hangUps;
  };
  const Case cases[] = {
      {"no Internet", {0, 0}, 1, false, false, "", 0, 0},
      {"LAN", {2, -1}, 1, true, true, "", 0, 0},
      {"dial-up, up after three checks", {1, 0}, 3, true, true, "", 1, 1},
      {"dial-up, never up", {1, 0}, 1000, true, false, "Ras Connection timed out.", 1, 1},
      {"dial-up, entry outside the list", {1, 4}, 1, true, false, "List index out of bounds (4)", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir root;
    PythonServer server(QStringLiteral("ftp_test_server.py"),
                        {root.path(), QStringLiteral("cam"), QStringLiteral("secret")});
    storeAccount(server.address(), QString());
    SlowEntry modem(c.checksToConnect);
    useConnection(c.setup, &modem);
    stage({"Motion.jpg"});

    std::unique_ptr<FTPThread> upload = worker();
    ASSERT_TRUE(runToEnd(*upload));

    EXPECT_EQ(!services->calls.isEmpty(), c.reported);
    EXPECT_EQ(QFileInfo::exists(root.filePath(QStringLiteral("motion.jpg"))), c.uploaded);
    EXPECT_EQ(upload->errorText(), QString::fromLatin1(c.error));
    EXPECT_EQ(services->releases, c.releases);
    EXPECT_EQ(modem.hangUps, c.hangUps);
    EXPECT_EQ(services->connections.userCount(), 0);
  }
}

// A stop (the program ends) wakes a run waiting on a silent server; its report is
// still written, under the caption it started with, though the window is gone.
TEST_F(FtpThreadTest, AStopEndsARunSoonAndItsLogEntryIsStillWritten) {
  QJsonObject script = ScriptedFtp::willing();
  script["greeting"] = QJsonValue();
  ScriptedFtp ftp(script);
  storeAccount(ftp.server->address());
  stage({"Motion.jpg"});
  std::unique_ptr<FTPThread> upload = worker({60s, 60s, 18s, 10});
  upload->start();
  runEvents(300ms);
  services->cameraOpen = false;
  QElapsedTimer timer;
  timer.start();
  upload->requestStop();
  ASSERT_TRUE(waitUntil([&] { return upload->isFinished(); }, 5s));
  EXPECT_LT(timer.elapsed(), 5000);
  EXPECT_EQ(upload->ResultCode, 1);
  EXPECT_EQ(services->calls,
            QStringList{QStringLiteral("log Cam | Image not Uploaded on %1 | FTP").arg(dt())});
}

}  // namespace
