// The camera window's e-mail and FTP dispatch on a real video source, with the real
// delivery workers sending to local servers.
#include "motion_form_fixture.h"

#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "delivery/delivery_workers.h"
#include "monitor/status_panels.h"
#include "support/python_server.h"
#include "support/smtp_test_server.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QTemporaryDir>

#include <map>

using namespace std::chrono_literals;

void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
void PrintTo(const QStringList& texts, std::ostream* out) {
  *out << '{';
  for (const QString& text : texts) *out << ' ' << '"' << text.toStdString() << '"';
  *out << " }";
}

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
        std::make_unique<PythonServer>("ftp_test_server.py", QStringList{ftpRoot.path(), "camera", "secret"});
    storeSettings({{"FTPServer", ftpServer->address()},
                   {"FTPUsername", "camera"},
                   {"FTPPassword", "secret"},
                   {"FTPDirectory", ""}});
  }

  // The e-mail account on a local aiosmtpd server.
  void useMailServer() {
    mailServer = std::make_unique<SmtpTestServer>(SmtpTestServer::Options{});
    storeSettings({{"EMailServer", QStringLiteral("127.0.0.1:%1").arg(mailServer->port())},
                   {"EMailUsername", "camera"},
                   {"EMailPassword", "secret"},
                   {"FromMail", "camera@example.org"},
                   {"EMail1", "owner@example.org"},
                   {"EMail2", ""},
                   {"EMailText", ""},
                   {"EMailType", "0"}});
  }

  // The n-th message received, as Python's email package reads it; empty when none.
  QJsonObject message(int n) const {
    const QList<SmtpTestServer::Received> received = mailServer->received();
    return n <= received.size() ? parsedMail(received[n - 1].file) : QJsonObject();
  }
  static QStringList attachmentNames(const QJsonObject& message) {
    QStringList names;
    for (const QJsonValue& attachment : message["attachments"].toArray())
      names.append(attachment.toObject()["fileName"].toString());
    return names;
  }
  static QByteArray attachment(const QJsonObject& message, int index) {
    return QByteArray::fromBase64(
        message["attachments"].toArray()[index].toObject()["content"].toString().toLatin1());
  }
  QString emailedEntry() const {
    return QStringLiteral("log Cam | Image Emailed on %1 to owner@example.org and  | Email").arg(stamp());
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
  std::unique_ptr<SmtpTestServer> mailServer;
};

// Detection runs on: every frame is a motion event, but each channel sends one
// picture per interval, counted from the motion event that sent it, and the next
// after it; a fresh program folder gets its staging folders.
TEST_F(DispatchTest, OneSendPerChannelAndIntervalOfMotion) {
  useFtpServer();
  useMailServer();
  dispatchTiming.minute = 50ms;  // "Upload/Email Every" 10 is half a second
  TMotionForm& window = make();
  window.Panel1->CheckBox3->setChecked(true);
  window.Panel1->CheckBox4->setChecked(true);
  ASSERT_FALSE(QFileInfo::exists(home.path() + "FTP"));
  ASSERT_FALSE(QFileInfo::exists(home.path() + "EMail"));
  std::map<DeliveryChannel, QList<qint64>> sent;
  QElapsedTimer elapsed;
  elapsed.start();
  services.onDelivery = [&](DeliveryChannel channel, qint32 index) {
    sent[channel].append(elapsed.elapsed());
    workers.startDelivery(channel, index);
  };
  detectNow();
  ASSERT_TRUE(waitUntil([&] { return count(uploadedEntry()) >= 2 && count(emailedEntry()) >= 2; }, 30s))
      << services.calls.join('\n').toStdString();
  window.Panel1->CheckBox1->setChecked(false);

  for (const auto& [channel, times] : sent) {
    ASSERT_GE(times.size(), 2);
    for (qsizetype i = 1; i < times.size(); ++i) EXPECT_GE(times[i] - times[i - 1], 450) << i;
    EXPECT_GT(count("balloon"), times.size());  // motion events that sent nothing
  }
  EXPECT_EQ(uploaded(), QStringList({"motion.jpg"}));
  const QImage picture = QImage::fromData(upload("motion.jpg"));
  EXPECT_EQ(picture.width(), 640);
  EXPECT_GT(picture.height(), 485);  // with the stamp below the frame
  for (int n : {1, 2}) EXPECT_EQ(attachmentNames(message(n)), QStringList({"Motion.jpg"})) << n;
  EXPECT_TRUE(waitUntil([&] {
    return window.statusPanelText(1) == "Emailing Completed." &&
           window.statusPanelText(2) == "Uploading via FTP Completed.";
  }));
  EXPECT_TRUE(prompts.shown.isEmpty());
}

// E-mail and FTP series run side by side: each takes its pictures at half-second
// steps from the motion event on, and sends them numbered in that order once all are
// taken, e-mail on one frame and FTP on a later one.
TEST_F(DispatchTest, SeriesSideBySideSendTheirPicturesInOrder) {
  useFtpServer();
  useMailServer();
  TMotionForm& window = make();
  for (QCheckBox* box : {window.Panel1->CheckBox3, window.Panel1->CheckBox4, window.Panel1->CheckBox12})
    box->setChecked(true);
  window.Panel1->AdvSpinEdit6->setValue(5);
  struct Taken {
    QList<QByteArray> pictures;
    QList<qint64> at;
    int sentOnFrame = -1;
  };
  std::map<DeliveryChannel, Taken> taken;
  QElapsedTimer elapsed;
  elapsed.start();
  for (auto [channel, dispatch] : {std::pair(DeliveryChannel::Email, &window.emailChannel()),
                                   std::pair(DeliveryChannel::Ftp, &window.ftpChannel())}) {
    EXPECT_EQ(dispatch->seriesTimer()->interval(), 500);
    // After the channel's own tick: the picture it has just staged.
    QObject::connect(dispatch->seriesTimer(), &QTimer::timeout, [&, channel = channel, dispatch = dispatch] {
      taken[channel].pictures.append(readFile(dispatch->stagingFolder() +
                                              QStringLiteral("Motion%1.jpg").arg(dispatch->picturesTaken())));
      taken[channel].at.append(elapsed.elapsed());
    });
  }
  services.onDelivery = [&](DeliveryChannel channel, qint32 index) {
    taken[channel].sentOnFrame = grabbed;
    workers.startDelivery(channel, index);
  };
  oneMotionEvent();
  ASSERT_TRUE(waitUntil([&] { return count(uploadedEntry()) == 1 && count(emailedEntry()) == 1; }, 30s))
      << services.calls.join('\n').toStdString();

  for (const auto& [channel, series] : taken) {
    ASSERT_EQ(series.pictures.size(), 5);
    // A repeating timer keeps its schedule: a tick that a busy machine delays is
    // followed by a shorter step, so the span tells the pace, not each step.
    EXPECT_GE(series.at[4] - series.at[0], 1500);
    for (int i = 0; i < 5; ++i) {
      EXPECT_FALSE(series.pictures[i].isEmpty()) << i;
      for (int j = 0; j < i; ++j) EXPECT_NE(series.pictures[i], series.pictures[j]) << i << " " << j;
    }
  }
  EXPECT_GT(taken[DeliveryChannel::Ftp].sentOnFrame, taken[DeliveryChannel::Email].sentOnFrame);
  const QJsonObject mail = message(1);
  ASSERT_EQ(attachmentNames(mail),
            QStringList({"Motion1.jpg", "Motion2.jpg", "Motion3.jpg", "Motion4.jpg", "Motion5.jpg"}));
  for (int n = 1; n <= 5; ++n) {
    EXPECT_EQ(attachment(mail, n - 1), taken[DeliveryChannel::Email].pictures[n - 1]) << n;
    EXPECT_EQ(upload(QStringLiteral("motion%1.jpg").arg(n)), taken[DeliveryChannel::Ftp].pictures[n - 1])
        << n;
  }
  EXPECT_EQ(uploaded().size(), 5);
  EXPECT_TRUE(message(2).isEmpty());
  for (DispatchChannel* dispatch : {&window.emailChannel(), &window.ftpChannel()}) {
    EXPECT_FALSE(dispatch->seriesTimer()->isActive());
    EXPECT_EQ(dispatch->state(), DispatchChannel::State::Limited);
  }
}

// The interval counts from the motion event that started a series, not from its
// send; a new "Upload/Email Every" starts a running interval anew.
TEST_F(DispatchTest, TheIntervalCountsFromTheMotionEventAndStartsAnewWhenChanged) {
  useFtpServer();
  TMotionForm& window = makeUploading(5);
  int remainingAtSend = -1;
  services.onDelivery = [&](DeliveryChannel channel, qint32 index) {
    remainingAtSend = window.FTPTimer1->remainingTime();
    workers.startDelivery(channel, index);
  };
  oneMotionEvent();
  ASSERT_TRUE(waitUntil([&] { return count(uploadedEntry()) == 1; }, 30s));
  // Five pictures at half-second steps; a timer this long keeps time to the second.
  EXPECT_LE(remainingAtSend, 600000 - 1000);
  EXPECT_GT(remainingAtSend, 600000 - 60000);

  window.Panel1->AdvSpinEdit7->setValue(15);
  EXPECT_EQ(window.FTPTimer1->interval(), 900000);
  EXPECT_GT(window.FTPTimer1->remainingTime(), 900000 - 60000);
  EXPECT_EQ(window.ftpChannel().state(), DispatchChannel::State::Limited);
}

// A series always ends: cut short by Stop or a lost source it sends the pictures it
// has; a new "Nr of Images" counts for the next series only. No picture is taken
// after the series has ended.
TEST_F(DispatchTest, SeriesEndsWhateverHappensDuringIt) {
  useFtpServer();
  const struct {
    const char* name;
    int length;
    std::function<void(TMotionForm&)> action;
    int sent;  // pictures sent; 0: those taken when the action came
  } cases[] = {
      {"Stop", 10, [](TMotionForm& window) { window.Button2Click(); }, 0},
      {"source lost", 10,
       [](TMotionForm& window) { emit window.VideoCapture1->OnDeviceLost(window.VideoCapture1); }, 0},
      {"Nr of Images raised", 3, [](TMotionForm& window) { window.Panel1->AdvSpinEdit6->setValue(10); }, 3},
      {"Nr of Images lowered", 4, [](TMotionForm& window) { window.Panel1->AdvSpinEdit6->setValue(2); }, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const QString& file : uploaded()) QFile::remove(ftpRoot.filePath(file));
    services.calls.clear();
    TMotionForm& window = makeUploading(c.length);
    DispatchChannel& ftp = window.ftpChannel();
    oneMotionEvent();
    ASSERT_TRUE(waitUntil([&] { return ftp.picturesTaken() >= 2; }));
    const int taken = ftp.picturesTaken();
    c.action(window);
    ASSERT_TRUE(waitUntil([&] { return count(uploadedEntry()) == 1; }, 30s))
        << services.calls.join('\n').toStdString();
    QStringList expected;
    for (int n = 1; n <= (c.sent ? c.sent : taken); ++n)
      expected.append(QStringLiteral("motion%1.jpg").arg(n));
    EXPECT_EQ(uploaded(), expected);

    runEvents(1200ms);
    EXPECT_FALSE(ftp.seriesTimer()->isActive());
    EXPECT_EQ(ftp.state(), DispatchChannel::State::Limited);
    EXPECT_EQ(QDir(ftp.stagingFolder()).entryList({"Motion?*.jpg"}, QDir::Files), QStringList());
    EXPECT_EQ(count("deliver"), 1);
    form.reset();
  }
}

// On a source slower than the series steps, the last picture comes well before the
// next frame: the series stops there and is sent on that frame.
TEST_F(DispatchTest, SeriesOnASlowSourceStopsAtItsLastPicture) {
  useFtpServer();
  setVideoSources(
      {{"Cam", "gst:videotestsrc pattern=snow ! video/x-raw,width=320,height=240,framerate=1/2"}});
  form = std::make_unique<TMotionForm>(services, prompts, clock, paths);
  form->setWindowTitle("Cam");
  form->LoadSettings("Cam");
  form->Panel1->CheckBox3->setChecked(true);
  form->Panel1->CheckBox12->setChecked(true);
  form->Panel1->AdvSpinEdit6->setValue(2);
  oneMotionEvent();
  ASSERT_TRUE(waitUntil([&] { return count(uploadedEntry()) == 1; }, 30s))
      << services.calls.join('\n').toStdString();
  EXPECT_EQ(uploaded(), QStringList({"motion1.jpg", "motion2.jpg"}));
  EXPECT_FALSE(QFileInfo::exists(form->ftpChannel().stagingFolder() + "Motion3.jpg"));
  EXPECT_FALSE(form->ftpChannel().seriesTimer()->isActive());
}

// A staging folder that cannot be written: the failure is told once, in the channel's
// panel and the log, without a box; nothing is sent and a series ends. Repaired, the
// next motion after the interval sends again.
TEST_F(DispatchTest, APictureThatCannotBeStagedIsToldOnce) {
  useFtpServer();
  dispatchTiming.minute = 50ms;
  writeFile(home.path() + "FTP", "not a folder");
  for (int series : {0, 3}) {
    SCOPED_TRACE(series);
    services.calls.clear();
    TMotionForm& window = makeUploading(series);
    oneMotionEvent();
    runEvents(1500ms);
    const QString file = home.path() + (series ? "FTP/Motion1.jpg" : "FTP/Motion.jpg");
    const QString reason = "Cannot create file \"" + file + "\".";
    EXPECT_TRUE(window.statusPanelText(2).startsWith("Uploading via FTP Failed: " + reason))
        << window.statusPanelText(2).toStdString();
    const QStringList logged = services.callsStartingWith("log");
    ASSERT_EQ(logged.size(), 1) << logged.join('\n').toStdString();
    EXPECT_TRUE(logged[0].startsWith("log Cam | Image not Uploaded on " + stamp() + ": " + reason));
    EXPECT_TRUE(logged[0].endsWith(" | FTP"));
    EXPECT_EQ(count("deliver"), 0);
    EXPECT_TRUE(prompts.shown.isEmpty());
    EXPECT_FALSE(window.ftpChannel().seriesTimer()->isActive());
    EXPECT_EQ(window.ftpChannel().state(), DispatchChannel::State::Idle);  // the interval is over
    QLabel* panel = window.StatusBar1->findChildren<QLabel*>().at(2);
    EXPECT_EQ(panel->toolTip(), window.statusPanelText(2));  // the whole text, however wide

    QFile::remove(home.path() + "FTP");
    oneMotionEvent();
    ASSERT_TRUE(waitUntil([&] { return count(uploadedEntry()) == 1; }, 30s));
    EXPECT_EQ(panel->toolTip(), "");
    QFile::remove(home.path() + "FTP/Motion.jpg");  // left by a series send
    QDir(home.path() + "FTP").removeRecursively();
    writeFile(home.path() + "FTP", "not a folder");
    form.reset();
  }
}

// Pictures left in the staging folder by a series that was never sent do not go out
// with a later single picture.
TEST_F(DispatchTest, LeftoverSeriesPicturesAreNotSentWithASinglePicture) {
  useFtpServer();
  QDir(home.path()).mkpath("FTP");
  for (const char* name : {"FTP/Motion1.jpg", "FTP/Motion2.jpg"}) writeFile(home.path() + name, "old");
  makeUploading();
  oneMotionEvent();
  ASSERT_TRUE(waitUntil([&] { return count(uploadedEntry()) == 1; }, 30s));
  EXPECT_EQ(uploaded(), QStringList({"motion.jpg"}));
  EXPECT_FALSE(QFileInfo::exists(home.path() + "FTP/Motion1.jpg"));
}

// An account removed after its box was checked: the send is still made, and both
// the window and the worker tell the user to run the wizard.
TEST_F(DispatchTest, AnAccountRemovedAfterTheBoxWasCheckedIsToldAtTheSend) {
  useFtpServer();
  TMotionForm& window = makeUploading();
  {
    SettingsStore store(paths.settingsFile);
    ASSERT_TRUE(store.OpenKey(applicationKey(), false));
    store.DeleteValue("FTPServer");
  }
  oneMotionEvent();
  const QString noSettings = "No Settings!\r\rPlease run FTP Wizard\rfrom Options menu.";
  ASSERT_TRUE(waitUntil([&] { return shownTexts().size() == 2; })) << shownTexts().join('\n').toStdString();
  EXPECT_EQ(shownTexts(), QStringList({noSettings, noSettings}));
  EXPECT_EQ(count("deliver ftp 0"), 1);
  EXPECT_TRUE(window.Panel1->CheckBox3->isChecked());
  EXPECT_EQ(window.statusPanelText(2), "Uploading via FTP");
  EXPECT_TRUE(uploaded().isEmpty());
}
