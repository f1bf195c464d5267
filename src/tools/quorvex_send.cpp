// quorvex-send: sends pictures with the stored e-mail or FTP account, as a motion
// event would, to test an account or reproduce a problem.
#include "base/app_services.h"
#include "base/clock.h"
#include "base/error.h"
#include "base/program_paths.h"
#include "base/prompts.h"
#include "delivery/delivery_worker.h"
#include "delivery/email_thread.h"
#include "delivery/ftp_thread.h"
#include "delivery/staged_files.h"
#include "dialup/connection_use.h"
#include "dialup/t_ras_manager.h"
#include "eventlog/event_log.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

constexpr int kNotSent = 1;
constexpr int kBadUsage = 2;
constexpr int kSeriesMaximum = 10;

const char* const kUsage =
    "usage: quorvex-send email|ftp [--home DIR] [--dial-check-interval MS] FILE...\n"
    "Sends one picture, or up to 10 as a series, with the stored account.\n"
    "In dial-up mode the connection is checked every MS milliseconds (18000), 10 times at most.\n"
    "Exit codes: 0 sent, 1 not sent, 2 bad usage.\n";

// The log section of the tool's entries, where the camera's caption would be.
const QString kCaption = QStringLiteral("quorvex-send");

void printLine(FILE* stream, const QString& text) {
  std::fprintf(stream, "%s\n", QString(text).replace(u'\r', u' ').toLocal8Bit().constData());
  std::fflush(stream);
}

// Boxes become lines on standard error, answered at once.
class ConsolePrompts final : public Prompts {
 public:
  Answer messageBox(const Message& message) override {
    printLine(stderr, message.text);
    return Answer::Ok;
  }
  void beep() override {}
};

// The main window's services for one run: the event log in the program folder, the
// stored connection choice, and the outcome's log message on standard output.
class ToolServices final : public AppServices {
 public:
  ToolServices(const ProgramPaths& paths, DialUpBinding& binding)
      : m_connections(binding, ConnectionSetup::read(paths.settingsFile)) {
    m_log.Open(paths.programFolder + QStringLiteral("Quorvex.log"));
  }

  void writeLogEntry(const QString& section, const QString& key, const QString& value) override {
    reported = true;
    printLine(stdout, key);
    m_log.WriteEntry(section, key, value);
  }
  QString VideoSource() const override { return {}; }
  void showBalloon(const QString&, const QString&) override {}
  bool AlarmSounding() const override { return false; }
  void PlaySoundAlarm() override {}
  qint32 ConnectionType() const override { return m_connections.ConnectionType(); }
  qint32 DailNum() const override { return m_connections.DailNum(); }
  void AcquireConnection() override { m_connections.AcquireConnection(); }
  void ReleaseConnection() override { m_connections.ReleaseConnection(); }
  bool IsConnected(qint32 index) override { return m_connections.IsConnected(index); }
  std::optional<QString> cameraCaption(qint32) const override { return kCaption; }
  void setCameraStatus(qint32, int, const QString&) override {}
  void startDelivery(DeliveryChannel, qint32) override {}

  bool reported = false;

 private:
  ConnectionUse m_connections;
  EventLog m_log;
};

// Copies the files into a new run folder of the channel: one as the single picture,
// several as a series in the order given.
QString stage(const QString& programFolder, DeliveryChannel channel, const QStringList& files,
              const QDateTime& now) {
  const QString runFolder = createRunFolder(stagingFolder(programFolder, channel), now);
  for (int i = 0; i < files.size(); ++i) {
    const QString name =
        files.size() == 1 ? QStringLiteral("Motion.jpg") : QStringLiteral("Motion%1.jpg").arg(i + 1);
    if (!QFile::copy(files[i], runFolder + name))
      throw Error(QStringLiteral("Cannot copy %1 to %2").arg(files[i], runFolder + name));
  }
  return runFolder;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList arguments = QCoreApplication::arguments().mid(1);
  QString home = qEnvironmentVariable("QUORVEX_HOME");
  // Takes the option's value out of the arguments; false when it has none.
  const auto takeOption = [&arguments](const QString& name, QString& value) {
    const qsizetype at = arguments.indexOf(name);
    if (at < 0)
      return true;
    if (at + 1 >= arguments.size())
      return false;
    value = arguments.takeAt(at + 1);
    arguments.removeAt(at);
    return true;
  };
  QString interval = QStringLiteral("18000");
  if (!takeOption(QStringLiteral("--home"), home) ||
      !takeOption(QStringLiteral("--dial-check-interval"), interval)) {
    std::fputs(kUsage, stderr);
    return kBadUsage;
  }
  bool intervalValid = false;
  DeliveryTimings timings;
  timings.dialCheckInterval = std::chrono::milliseconds(interval.toInt(&intervalValid));
  if (!intervalValid || timings.dialCheckInterval.count() <= 0) {
    std::fputs(kUsage, stderr);
    return kBadUsage;
  }
  if (arguments.size() < 2 ||
      (arguments[0] != QLatin1String("email") && arguments[0] != QLatin1String("ftp"))) {
    std::fputs(kUsage, stderr);
    return kBadUsage;
  }
  const DeliveryChannel channel =
      arguments[0] == QLatin1String("email") ? DeliveryChannel::Email : DeliveryChannel::Ftp;
  const QStringList files = arguments.mid(1);
  if (files.size() > kSeriesMaximum) {
    printLine(stderr, QStringLiteral("At most %1 pictures go out at once.").arg(kSeriesMaximum));
    return kBadUsage;
  }
  for (const QString& file : files) {
    if (!QFileInfo(file).isFile()) {
      printLine(stderr, QStringLiteral("No such file: %1").arg(file));
      return kBadUsage;
    }
  }

  const ProgramPaths paths = ProgramPaths::locate(home);
  SystemClock clock;
  ConsolePrompts prompts;
  // NetworkManager's dial-up connections, watched while the run waits for one.
  TRasManager dialUp(clock);
  dialUp.StartMonitoring();
  try {
    ToolServices services(paths, dialUp);
    const DeliveryContext context{services, prompts, clock, paths.settingsFile, timings};
    const QString runFolder = stage(paths.programFolder, channel, files, clock.now());
    std::unique_ptr<DeliveryWorker> worker;
    if (channel == DeliveryChannel::Email)
      worker = std::make_unique<EmailThread>(context, runFolder);
    else
      worker = std::make_unique<FTPThread>(context, runFolder);
    worker->Caption = kCaption;
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    if (!worker->errorText().isEmpty())
      printLine(stderr, worker->errorText());
    if (!services.reported) {
      if (services.ConnectionType() == static_cast<qint32>(ConnectionKind::NoInternet))
        printLine(stderr, QStringLiteral("The connection is set to \"No Internet\": nothing was sent."));
      return kNotSent;
    }
    return worker->ResultCode == 0 ? 0 : kNotSent;
  } catch (const Error& error) {
    printLine(stderr, error.message());
    return kNotSent;
  }
}
