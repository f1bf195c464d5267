// The camera window's e-mail and FTP dispatch on a real video source, with the real
// delivery workers sending to local servers.
#include "motion_form_fixture.h"

#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "delivery/delivery_workers.h"
#include "monitor/status_panels.h"
#include "support/python_server.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <map>

using namespace std::chrono_literals;

class DispatchTest : public MotionFormTest {
 protected:
  DispatchTest() {
    services.onDelivery = [this](DeliveryChannel channel, qint32 index) {
      workers.startDelivery(channel, index);
    };
    services.onStatus = [this](int panel, const QString& text) {
      if (form)
        form->setStatusPanelText(panel, text);
    };
  }

  void TearDown() override {
    workers.stopAll();
    MotionFormTest::TearDown();
  }

  void storeSettings(const std::map<QString, QString>& values) {
    SettingsStore store(paths.settingsFile);
    ASSERT_TRUE(store.OpenKey(applicationKey(), true));
    for (const auto& [name, value] : values) store.WriteString(name, value);
  }

  // The FTP account on a local pyftpdlib server that stores into ftpRoot.
  void useFtpServer() {
    ftpServer =
        std::make_unique<PythonServer>("ftp_server.py", QStringList{ftpRoot.path(), "camera", "secret"});
    storeSettings({{"FTPServer", ftpServer->address()},
                   {"FTPUsername", "camera"},
                   {"FTPPassword", "secret"},
                   {"FTPDirectory", ""}});
  }

  QStringList uploaded() const { return QDir(ftpRoot.path()).entryList(QDir::Files, QDir::Name); }
  QByteArray upload(const QString& name) const { return readFile(ftpRoot.filePath(name)); }
  qsizetype count(const QString& prefix) const { return services.callsStartingWith(prefix).size(); }
  QString uploadedEntry() const { return logCall("Image Uploaded on ", "FTP"); }

  // The window with FTP (and series of `series` pictures when given) on snow, where
  // every examined frame after the first is a motion event.
  TMotionForm& makeUploading(int series = 0) {
    TMotionForm& window = make();
    window.Panel1->CheckBox3->setChecked(true);
    if (series > 0) {
      window.Panel1->CheckBox12->setChecked(true);
      window.Panel1->AdvSpinEdit6->setValue(series);
    }
    return window;
  }

  // Detection until the first motion event, then off.
  void oneMotionEvent() {
    int detections = 0;
    const auto counting = QObject::connect(form->MyMotion1, &MyMotion::OnDetected, [&] { ++detections; });
    detectNow();
    EXPECT_TRUE(waitUntil([&] { return detections > 0; }));
    form->Panel1->CheckBox1->setChecked(false);
    QObject::disconnect(counting);
  }

  DeliveryWorkers workers{DeliveryContext{services, prompts, clock, paths.settingsFile, {5s, 5s, 20ms, 1}},
                          paths.programFolder};
  QTemporaryDir ftpRoot;
  std::unique_ptr<PythonServer> ftpServer;
};

// Detection runs on: every frame is a motion event, but one picture goes out per
// interval, counted from the motion event that sent it, and the next after it.
TEST_F(DispatchTest, OneUploadPerIntervalOfMotion) {
  useFtpServer();
  dispatchTiming.minute = 50ms;  // "Upload/Email Every" 10 is half a second
  TMotionForm& window = makeUploading();
  ASSERT_FALSE(QFileInfo::exists(home.path() + "FTP"));  // a fresh program folder
  QList<qint64> sent;
  QElapsedTimer elapsed;
  elapsed.start();
  services.onDelivery = [&](DeliveryChannel channel, qint32 index) {
    sent.append(elapsed.elapsed());
    workers.startDelivery(channel, index);
  };
  detectNow();
  ASSERT_TRUE(waitUntil([&] { return count(uploadedEntry()) >= 2; }, 30s))
      << services.calls.join('\n').toStdString();
  window.Panel1->CheckBox1->setChecked(false);

  ASSERT_GE(sent.size(), 2);
  for (qsizetype i = 1; i < sent.size(); ++i) EXPECT_GE(sent[i] - sent[i - 1], 450) << i;
  EXPECT_GT(count("balloon"), sent.size());  // motion events that sent nothing
  EXPECT_EQ(services.callsStartingWith("deliver"), QStringList(sent.size(), "deliver ftp 0"));
  EXPECT_EQ(uploaded(), QStringList({"motion.jpg"}));
  const QImage picture = QImage::fromData(upload("motion.jpg"));
  EXPECT_EQ(picture.width(), 640);
  EXPECT_GT(picture.height(), 485);  // with the stamp below the frame
  EXPECT_TRUE(waitUntil([&] { return window.statusPanelText(2) == "Uploading via FTP Completed."; }));
  EXPECT_TRUE(prompts.shown.isEmpty());
}
