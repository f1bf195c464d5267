#include "delivery/mail_message.h"
#include "base/error.h"

#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

QByteArray firstBytes(int count) {
  QByteArray bytes;
  for (int value = 0; value < count; ++value) bytes += static_cast<char>(value);
  return bytes;
}

MailMessage motionMessage() {
  MailMessage message;
  message.senderName = QStringLiteral("Quorvex");
  message.senderAddress = QStringLiteral("cam@example.org");
  message.recipients = {QStringLiteral("one@example.org"), QStringLiteral("two@example.org")};
  message.subject = QStringLiteral("Quorvex. Motion Detected!");
  message.bodyLines = {QStringLiteral("Quorvex"), QStringLiteral(".hidden"), QString()};
  message.date = QDateTime(QDate(2026, 12, 10), QTime(17, 5, 9), QTimeZone(3600));
  return message;
}

// The part of the data between the blank line after the header and the end.
QByteArray bodyOf(const QByteArray& data) { return data.mid(data.indexOf("\r\n\r\n") + 4); }

}  // namespace

TEST(MailMessage, WritesTheMultipartLayoutByteForByte) {
  MailMessage message = motionMessage();
  message.attachments = {{QStringLiteral("Motion1.jpg"), firstBytes(60)},
                         {QStringLiteral("Motion2.jpg"), "abc"}};

  EXPECT_EQ(message.toData(),
            QByteArray("From: \"Quorvex\" <cam@example.org>\r\n"
                       "Subject: Quorvex. Motion Detected!\r\n"
                       "To: one@example.org, two@example.org\r\n"
                       "Content-Type: multipart/mixed; boundary=\"=_NextPart_2rfkindysadvnqw3nerasdf\"\r\n"
                       "MIME-Version: 1.0\r\n"
                       "Date: Thu, 10 Dec 2026 17:05:09 +0100\r\n"
                       "X-Priority: 1\r\n"
                       "\r\n"
                       "This is a multi-part message in MIME format\r\n"
                       "\r\n"
                       "--=_NextPart_2rfkindysadvnqw3nerasdf\r\n"
                       "Content-Type: text/plain\r\n"
                       "Content-Transfer-Encoding: 7bit\r\n"
                       "\r\n"
                       "Quorvex\r\n"
                       "..hidden\r\n"
                       "\r\n"
                       "\r\n"
                       "--=_NextPart_2rfkindysadvnqw3nerasdf\r\n"
                       "Content-Type: application/octet-stream;\r\n"
                       "        name=\"Motion1.jpg\"\r\n"
                       "Content-Transfer-Encoding: base64\r\n"
                       "Content-Disposition: attachment;\r\n"
                       "        filename=\"Motion1.jpg\"\r\n"
                       "\r\n"
                       "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4\r\n"
                       "OTo7\r\n"
                       "\r\n"
                       "\r\n"
                       "--=_NextPart_2rfkindysadvnqw3nerasdf\r\n"
                       "Content-Type: application/octet-stream;\r\n"
                       "        name=\"Motion2.jpg\"\r\n"
                       "Content-Transfer-Encoding: base64\r\n"
                       "Content-Disposition: attachment;\r\n"
                       "        filename=\"Motion2.jpg\"\r\n"
                       "\r\n"
                       "YWJj\r\n"
                       "\r\n"
                       "--=_NextPart_2rfkindysadvnqw3nerasdf--\r\n"));
}

TEST(MailMessage, WritesAPlainMessageWithoutMimeFields) {
  MailMessage message = motionMessage();
  message.recipients = {QStringLiteral("one@example.org")};
  message.date = QDateTime(QDate(2027, 1, 3), QTime(8, 0, 0), QTimeZone(-12600));

  EXPECT_EQ(message.toData(), QByteArray("From: \"Quorvex\" <cam@example.org>\r\n"
                                         "Subject: Quorvex. Motion Detected!\r\n"
                                         "To: one@example.org\r\n"
                                         "Date: Sun, 3 Jan 2027 08:00:00 -0330\r\n"
                                         "X-Priority: 1\r\n"
                                         "\r\n"
                                         "Quorvex\r\n"
                                         "..hidden\r\n"
                                         "\r\n"));
}

TEST(MailMessage, LeavesOutHeaderFieldsWithoutValue) {
  MailMessage message;
  message.senderAddress = QStringLiteral("cam@example.org");
  message.bodyLines = {QStringLiteral("text")};
  EXPECT_EQ(message.toData(), QByteArray("From: <cam@example.org>\r\nX-Priority: 1\r\n\r\ntext\r\n"));
}

TEST(MailMessage, SplitsBodyEntriesIntoDotStuffedLines) {
  struct Case {
    QStringList entries;
    QByteArray body;
  };
  const Case cases[] = {
      {{QStringLiteral("a\r\nb\nc\rd")}, "a\r\nb\r\nc\r\nd\r\n"},
      {{QStringLiteral("first\n.second"), QStringLiteral("..third")}, "first\r\n..second\r\n...third\r\n"},
      // A lone "." inside the text would otherwise end the message early.
      {{QStringLiteral("before\n.\nafter")}, "before\r\n..\r\nafter\r\n"},
      {{QStringLiteral("end\n")}, "end\r\n\r\n"},
  };
  for (const Case& c : cases) {
    MailMessage message;
    message.bodyLines = c.entries;
    EXPECT_EQ(bodyOf(message.toData()), c.body) << c.entries.join(u'|').toStdString();
  }
}

TEST(MailMessage, SendsNonAsciiTextAsUtf8WithItsCharset) {
  MailMessage message = motionMessage();
  message.bodyLines = {QStringLiteral("Gr\u00fc\u00dfe \u2014 caf\u00e9")};
  const QByteArray plain = message.toData();
  EXPECT_TRUE(
      plain.contains("\r\nContent-Type: text/plain; charset=utf-8\r\n"
                     "Content-Transfer-Encoding: 8bit\r\nMIME-Version: 1.0\r\n"))
      << plain.toStdString();
  EXPECT_EQ(bodyOf(plain), QByteArray("Gr\xc3\xbc\xc3\x9f"
                                      "e \xe2\x80\x94 caf\xc3\xa9\r\n"));

  message.attachments = {{QStringLiteral("Motion.jpg"), "abc"}};
  const QByteArray multipart = message.toData();
  EXPECT_TRUE(
      multipart.contains("--=_NextPart_2rfkindysadvnqw3nerasdf\r\n"
                         "Content-Type: text/plain; charset=utf-8\r\n"
                         "Content-Transfer-Encoding: 8bit\r\n\r\n"
                         "Gr\xc3\xbc\xc3\x9f"
                         "e \xe2\x80\x94 caf\xc3\xa9\r\n"))
      << multipart.toStdString();
  EXPECT_EQ(multipart.count("Content-Type: text/plain"), 1);
}

TEST(MailMessage, RefusesLineBreaksInHeaderValues) {
  const std::function<void(MailMessage&)> breaks[] = {
      [](MailMessage& m) { m.subject = QStringLiteral("Motion\r\nBcc: x@example.org"); },
      [](MailMessage& m) { m.senderName = QStringLiteral("Quorvex\n"); },
      [](MailMessage& m) { m.senderAddress = QStringLiteral("cam@example.org\r"); },
      [](MailMessage& m) { m.recipients += QStringLiteral("x@example.org\r\nBcc: y@example.org"); },
      [](MailMessage& m) {
        m.attachments = {{QStringLiteral("a\r\n.jpg"), "abc"}};
      },
  };
  for (const auto& breakIt : breaks) {
    MailMessage message = motionMessage();
    breakIt(message);
    EXPECT_THROW(message.toData(), Error);
  }
}

TEST(MailMessage, QuotesDoubleQuotesInQuotedNames) {
  MailMessage message = motionMessage();
  message.senderName = QStringLiteral("Cam \"Door\"");
  message.attachments = {{QStringLiteral("a\"b.jpg"), "abc"}};
  const QByteArray data = message.toData();
  EXPECT_TRUE(data.startsWith("From: \"Cam \\\"Door\\\"\" <cam@example.org>\r\n")) << data.toStdString();
  EXPECT_TRUE(data.contains("        filename=\"a\\\"b.jpg\"\r\n")) << data.toStdString();
}
