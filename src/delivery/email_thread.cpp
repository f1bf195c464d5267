#include "delivery/email_thread.h"

#include "base/clock.h"
#include "base/error.h"
#include "base/settings_store.h"
#include "delivery/server_address.h"
#include "delivery/smtp_client.h"
#include "eventlog/date_time_text.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

constexpr quint16 kSmtpPort = 25;
const QString kPlaceholder = QStringLiteral("Address goes here");

MailAttachment attachment(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw Error(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
  return {QFileInfo(path).fileName(), file.readAll()};
}

}  // namespace

bool EmailThread::readSettings(SettingsStore& settings) {
  if (!settings.ValueExists(QStringLiteral("EMailServer")))
    return false;
  EMailServer = settings.ReadString(QStringLiteral("EMailServer"));
  EMailUsername = settings.ReadString(QStringLiteral("EMailUsername"));
  EMailPassword = settings.ReadString(QStringLiteral("EMailPassword"));
  FromMail = settings.ReadString(QStringLiteral("FromMail"));
  EMail1 = settings.ReadString(QStringLiteral("EMail1"));
  EMail2 = settings.ReadString(QStringLiteral("EMail2"));
  EMailText = settings.ReadString(QStringLiteral("EMailText"));
  EMailType = settings.ReadString(QStringLiteral("EMailType"));
  EMailTrustedCA = settings.ReadString(QStringLiteral("EMailTrustedCA"));
  AuthRequested = settings.ValueExists(QStringLiteral("Auth"));
  return true;
}

QString EmailThread::noSettingsText() const {
  return QStringLiteral("No Settings!\r\rPlease run EMail Wizard\rfrom Options menu.");
}

// The message, with the run's pictures attached in series order.
void EmailThread::prepare() {
  refuseLineBreaks(QStringLiteral("EMailServer"), EMailServer);
  refuseLineBreaks(QStringLiteral("EMailUsername"), EMailUsername);
  refuseLineBreaks(QStringLiteral("EMailPassword"), EMailPassword);
  refuseLineBreaks(QStringLiteral("FromMail"), FromMail);
  refuseLineBreaks(QStringLiteral("EMail1"), EMail1);
  refuseLineBreaks(QStringLiteral("EMail2"), EMail2);

  const QDateTime now = context().clock.now();
  Message.subject = QStringLiteral("Quorvex. Motion Detected!");
  Message.senderName = QStringLiteral("Quorvex");
  Message.senderAddress = FromMail;
  Message.recipients = QStringList{EMail1};
  if (!EMail2.isEmpty() && EMail2 != kPlaceholder)
    Message.recipients.append(EMail2);
  Message.bodyLines = QStringList{QStringLiteral("Quorvex"), QStringLiteral("See attachment for image."),
                                  QStringLiteral("Motion Captured on :"), DateTimeText(now), QString()};
  Message.bodyLines += EMailText.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
  Message.date = now;
  for (const QString& file : runFiles()) Message.attachments.append(attachment(file));
}

// Without "Auth" the client logs in only on a second attempt, as LOGIN; with it,
// the first attempt logs in (LOGIN when offered, else PLAIN).
void EmailThread::deliver() {
  const std::optional<ServerAddress> server = ServerAddress::parse(EMailServer, kSmtpPort);
  if (!server)
    throw Error(QStringLiteral("The mail server \"%1\" is not a host or host:port").arg(EMailServer));
  const DeliveryTimings& timings = context().timings;
  SmtpClient client(
      {*server, EMailUsername, EMailPassword, EMailTrustedCA},
      AuthRequested ? SmtpClient::Authentication::LoginOrPlain : SmtpClient::Authentication::None,
      {timings.connect, timings.reply}, stopToken());
  try {
    client.connectToServer();
    if (!client.isConnected()) {
      if (!AuthRequested)
        client.setAuthentication(SmtpClient::Authentication::Login);
      client.connectToServer();
    }
    if (client.isConnected())
      client.send(Message);
    else
      ResultCode = 2;
  } catch (const Error&) {
    client.disconnectFromServer();
    throw;
  }
  client.disconnectFromServer();
}

DeliveryWorker::Report EmailThread::report(qint32 resultCode, const QDateTime& now) const {
  const QString attempt = QStringLiteral(" on ") + DateTimeText(now) + QStringLiteral(" to ") + EMail1 +
                          QStringLiteral(" and ") + EMail2;
  if (resultCode == 0)
    return {1, QStringLiteral("Emailing Completed."), QStringLiteral("Image Emailed") + attempt,
            QStringLiteral("Email")};
  const QString failed = QStringLiteral("Image Emailing") + attempt + QStringLiteral(" Failed!");
  return {1, QStringLiteral("Emailing Failed."),
          resultCode == 2 ? failed + QStringLiteral(" Dailup Failed!") : failed, QStringLiteral("Email")};
}
