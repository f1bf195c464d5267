#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// A file sent with a message: its name without folder and its bytes.
struct MailAttachment {
  QString fileName;
  QByteArray content;
};

// One e-mail as the sender builds it; `toData()` writes it in the layout receivers
// parse (RFC 5322 header, multipart/mixed with base64 attachments when there are any).
struct MailMessage {
  QString senderName;
  QString senderAddress;
  QStringList recipients;
  QString subject;
  // The body, one entry per line; an entry holding line breaks is split into lines.
  QStringList bodyLines;
  QList<MailAttachment> attachments;
  // The "Date" header, written with its offset from UTC.
  QDateTime date;

  // The text sent after DATA: CR LF line ends, every line that begins with "."
  // doubled, without the terminating "." line. Non-ASCII body text is UTF-8 with
  // its charset named.
  QByteArray toData() const;
};
