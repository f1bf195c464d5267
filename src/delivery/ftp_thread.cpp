#include "delivery/ftp_thread.h"

#include "base/error.h"
#include "base/settings_store.h"
#include "delivery/ftp_client.h"
#include "delivery/server_address.h"
#include "eventlog/date_time_text.h"

#include <QFile>
#include <QFileInfo>

namespace {

constexpr quint16 kFtpPort = 21;

QByteArray readWhole(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw Error(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
  return file.readAll();
}

}  // namespace

// "DailNum" and "Connection" are not read: the run takes the connection from the
// main window, and their absence must not fail an upload.
bool FTPThread::readSettings(SettingsStore& settings) {
  if (!settings.ValueExists(QStringLiteral("FTPServer")))
    return false;
  FTPServer = settings.ReadString(QStringLiteral("FTPServer"));
  FTPUsername = settings.ReadString(QStringLiteral("FTPUsername"));
  FTPPassword = settings.ReadString(QStringLiteral("FTPPassword"));
  FTPDirectory = settings.ReadString(QStringLiteral("FTPDirectory"));
  if (settings.ValueExists(QStringLiteral("FTPProxy"))) {
    FTPProxy = settings.ReadString(QStringLiteral("FTPProxy"));
    FTPProxyPort = settings.ReadString(QStringLiteral("FTPProxyPort"));
  }
  if (settings.ValueExists(QStringLiteral("FTPProxyUsername"))) {
    FTPProxyUsername = settings.ReadString(QStringLiteral("FTPProxyUsername"));
    FTPProxyPassword = settings.ReadString(QStringLiteral("FTPProxyPassword"));
  }
  return true;
}

QString FTPThread::noSettingsText() const {
  return QStringLiteral("No Settings!\r\rPlease run FTP Wizard\rfrom Options menu.");
}

// The proxy values are checked but not used (an empty port would mean 8080): the
// connection goes straight to FTPServer.
void FTPThread::prepare() {
  refuseLineBreaks(QStringLiteral("FTPServer"), FTPServer);
  refuseLineBreaks(QStringLiteral("FTPUsername"), FTPUsername);
  refuseLineBreaks(QStringLiteral("FTPPassword"), FTPPassword);
  refuseLineBreaks(QStringLiteral("FTPDirectory"), FTPDirectory);
  if (!FTPProxy.isEmpty() && !FTPProxyPort.isEmpty()) {
    bool isNumber = false;
    FTPProxyPort.toInt(&isNumber);
    if (!isNumber)
      throw Error(QStringLiteral("'%1' is not a valid integer value").arg(FTPProxyPort));
  }
}

void FTPThread::deliver() {
  const std::optional<ServerAddress> server = ServerAddress::parse(FTPServer, kFtpPort);
  if (!server)
    throw Error(QStringLiteral("The FTP server \"%1\" is not a host or host:port").arg(FTPServer));
  const DeliveryTimings& timings = context().timings;
  FtpClient client(*server, {timings.connect, timings.reply}, stopToken());
  try {
    client.connectToServer();
    client.login(FTPUsername, FTPPassword);
    client.changeDirectory(FTPDirectory);
    for (const QString& file : runFiles())
      client.store(QFileInfo(file).fileName().toLower(), readWhole(file));
  } catch (const Error&) {
    client.quit();
    throw;
  }
  client.close();
  ResultCode = 0;
}

DeliveryWorker::Report FTPThread::report(qint32 resultCode, const QDateTime& now) const {
  const QString dt = DateTimeText(now);
  if (resultCode == 0)
    return {2, QStringLiteral("Uploading via FTP Completed."), QStringLiteral("Image Uploaded on ") + dt,
            QStringLiteral("FTP")};
  return {2, QStringLiteral("Uploading via FTP....Failed!"), QStringLiteral("Image not Uploaded on ") + dt,
          QStringLiteral("FTP")};
}
