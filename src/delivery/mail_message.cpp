#include "delivery/mail_message.h"

#include "base/error.h"

#include <QRegularExpression>

namespace {

const QByteArray kBoundary = "=_NextPart_2rfkindysadvnqw3nerasdf";
// RFC 2045 limits encoded lines to 76 characters: 57 input bytes each.
constexpr qsizetype kBase64InputPerLine = 57;

// Collects CR LF terminated lines; a line that begins with "." gets one more in front,
// so no line of the message can end the DATA phase early (RFC 5321 4.5.2).
class LineWriter {
 public:
  void line(const QByteArray& text = {}) {
    if (text.startsWith('.'))
      m_data += '.';
    m_data += text;
    m_data += "\r\n";
  }
  QByteArray data() const { return m_data; }

 private:
  QByteArray m_data;
};

// A value that goes into a header line must not break it into two lines.
QByteArray headerText(const QString& value, const char* what) {
  if (value.contains(u'\r') || value.contains(u'\n'))
    throw Error(QStringLiteral("The e-mail's %1 holds a line break.").arg(QLatin1String(what)));
  return value.toUtf8();
}

// An RFC 5322 quoted-string.
QByteArray quoted(const QString& value, const char* what) {
  QByteArray text = headerText(value, what);
  text.replace('\\', "\\\\").replace('"', "\\\"");
  return '"' + text + '"';
}

QByteArray dateText(const QDateTime& date) {
  // RFC 5322 names days and months in English whatever the locale.
  static const char* const kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const QDate day = date.date();
  const int offsetMinutes = date.offsetFromUtc() / 60;
  const int absoluteMinutes = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
  return QStringLiteral("%1, %2 %3 %4 %5 %6%7%8")
      .arg(QLatin1String(kDays[day.dayOfWeek() - 1]))
      .arg(day.day())
      .arg(QLatin1String(kMonths[day.month() - 1]))
      .arg(day.year())
      .arg(date.time().toString(QStringLiteral("HH:mm:ss")))
      .arg(QChar(offsetMinutes < 0 ? u'-' : u'+'))
      .arg(absoluteMinutes / 60, 2, 10, QLatin1Char('0'))
      .arg(absoluteMinutes % 60, 2, 10, QLatin1Char('0'))
      .toLatin1();
}

QStringList bodyTextLines(const QStringList& entries) {
  static const QRegularExpression kLineBreak(QStringLiteral("\r\n|\r|\n"));
  QStringList lines;
  for (const QString& entry : entries) lines += entry.split(kLineBreak);
  return lines;
}

bool isAscii(const QStringList& lines) {
  for (const QString& line : lines)
    for (const QChar character : line)
      if (character.unicode() > 0x7F)
        return false;
  return true;
}

void writeAttachment(LineWriter& writer, const MailAttachment& attachment) {
  writer.line();
  writer.line("--" + kBoundary);
  writer.line("Content-Type: application/octet-stream;");
  writer.line("        name=" + quoted(attachment.fileName, "attachment name"));
  writer.line("Content-Transfer-Encoding: base64");
  writer.line("Content-Disposition: attachment;");
  writer.line("        filename=" + quoted(attachment.fileName, "attachment name"));
  writer.line();
  for (qsizetype start = 0; start < attachment.content.size(); start += kBase64InputPerLine)
    writer.line(attachment.content.mid(start, kBase64InputPerLine).toBase64());
  writer.line();
}

}  // namespace

QByteArray MailMessage::toData() const {
  const QStringList lines = bodyTextLines(bodyLines);
  // Plain ASCII keeps the 7-bit layout; other text goes as UTF-8 and says so (RFC 2045, 2046).
  const bool ascii = isAscii(lines);
  const QByteArray textType = ascii ? "text/plain" : "text/plain; charset=utf-8";
  const QByteArray textEncoding = ascii ? "7bit" : "8bit";
  const bool multipart = !attachments.isEmpty();

  LineWriter writer;
  if (!senderName.isEmpty() || !senderAddress.isEmpty()) {
    QByteArray from = "From: ";
    if (!senderName.isEmpty())
      from += quoted(senderName, "sender name") + ' ';
    writer.line(from + '<' + headerText(senderAddress, "sender address") + '>');
  }
  if (!subject.isEmpty())
    writer.line("Subject: " + headerText(subject, "subject"));
  if (!recipients.isEmpty())
    writer.line("To: " + headerText(recipients.join(QStringLiteral(", ")), "recipient address"));
  if (multipart) {
    writer.line("Content-Type: multipart/mixed; boundary=\"" + kBoundary + '"');
    writer.line("MIME-Version: 1.0");
  } else if (!ascii) {
    writer.line("Content-Type: " + textType);
    writer.line("Content-Transfer-Encoding: " + textEncoding);
    writer.line("MIME-Version: 1.0");
  }
  if (date.isValid())
    writer.line("Date: " + dateText(date));
  writer.line("X-Priority: 1");
  writer.line();

  if (multipart) {
    writer.line("This is a multi-part message in MIME format");
    writer.line();
    writer.line("--" + kBoundary);
    writer.line("Content-Type: " + textType);
    writer.line("Content-Transfer-Encoding: " + textEncoding);
    writer.line();
  }
  for (const QString& line : lines) writer.line(line.toUtf8());
  if (multipart) {
    for (const MailAttachment& attachment : attachments) writeAttachment(writer, attachment);
    writer.line("--" + kBoundary + "--");
  }
  return writer.data();
}
