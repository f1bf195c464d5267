#include "delivery/delivery_workers.h"

#include "delivery/delivery_worker.h"
#include "delivery_fixture.h"
#include "ftp_script.h"
#include "support/python_server.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

using namespace std::chrono_literals;

class DeliveryWorkersTest : public DeliveryFixture {};

// The worker owns the pictures staged before its start; what is staged while it
// runs waits for the next one.
TEST_F(DeliveryWorkersTest, AStartTakesTheStagedPicturesAndTheCaptionAlong) {
  QTemporaryDir root;
  PythonServer server(QStringLiteral("ftp_test_server.py"),
                      {root.path(), QStringLiteral("cam"), QStringLiteral("secret")});
  store({{"FTPServer", SettingsType::String, 0, server.address()},
         {"FTPUsername", SettingsType::String, 0, "cam"},
         {"FTPPassword", SettingsType::String, 0, "secret"}});
  writeFile(home.file(QStringLiteral("FTP/Motion.jpg")), picture(1));
  DeliveryWorkers workers(context(), home.path());

  QPointer<DeliveryWorker> worker = workers.startDelivery(DeliveryChannel::Ftp, 0);
  ASSERT_FALSE(worker.isNull());
  EXPECT_EQ(worker->Caption, QStringLiteral("Cam"));
  EXPECT_EQ(worker->objectName(), QStringLiteral("FTPThread"));
  EXPECT_FALSE(QFileInfo::exists(home.file(QStringLiteral("FTP/Motion.jpg"))));
  writeFile(home.file(QStringLiteral("FTP/Motion.jpg")), picture(2));  // the next motion

  ASSERT_TRUE(waitUntil([&] { return worker.isNull(); }, 60s)) << "deleted once ended";
  EXPECT_EQ(workers.runningCount(), 0);
  EXPECT_EQ(readFile(root.filePath(QStringLiteral("motion.jpg"))), picture(1));
  EXPECT_EQ(readFile(home.file(QStringLiteral("FTP/Motion.jpg"))), picture(2));
  EXPECT_EQ(services->calls.value(0), QStringLiteral("status 2 Uploading via FTP Completed."));
}

// The program ends while both workers wait on servers that never answer: they end
// within 5 s, and each still writes its entry, under the caption they started with.
TEST_F(DeliveryWorkersTest, StoppingAllEndsWaitingWorkersSoonWithTheirEntries) {
  QJsonObject silent = ScriptedFtp::willing();
  silent["greeting"] = QJsonValue();
  ScriptedFtp mailServer(silent);
  ScriptedFtp ftpServer(silent);
  store({{"EMailServer", SettingsType::String, 0, mailServer.server->address()},
         {"EMail1", SettingsType::String, 0, "first@example.org"},
         {"FTPServer", SettingsType::String, 0, ftpServer.server->address()}});
  writeFile(home.file(QStringLiteral("EMail/Motion.jpg")), picture(1));
  writeFile(home.file(QStringLiteral("FTP/Motion.jpg")), picture(1));
  DeliveryWorkers workers(context({60s, 60s, 18s, 10}), home.path());
  workers.startDelivery(DeliveryChannel::Email, 0);
  workers.startDelivery(DeliveryChannel::Ftp, 0);
  runEvents(500ms);  // both are waiting for a greeting now
  ASSERT_EQ(workers.runningCount(), 2);
  services->cameraOpen = false;

  QElapsedTimer timer;
  timer.start();
  EXPECT_TRUE(workers.stopAll(5s));
  EXPECT_LT(timer.elapsed(), 5000);
  services->calls.sort();
  EXPECT_EQ(services->calls.size(), 2);
  EXPECT_TRUE(services->calls.value(0).startsWith(QStringLiteral("log Cam | Image Emailing on ")))
      << services->calls.value(0).toStdString();
  EXPECT_TRUE(services->calls.value(1).startsWith(QStringLiteral("log Cam | Image not Uploaded on ")))
      << services->calls.value(1).toStdString();
}

}  // namespace
