#include "app/autostart_entry.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QChar charAt(const QString& text, qsizetype index) { return index < text.size() ? text[index] : QChar(); }

// The Exec line's value read back as a desktop session does: the string escapes of
// the file format, then the quoting rules, then "%%" as a literal '%'. A reserved
// character outside quotes, a stray backslash or a field code fails the test.
QStringList execArguments(const QString& value) {
  QString unescaped;
  for (qsizetype i = 0; i < value.size(); ++i) {
    if (value[i] != u'\\') {
      unescaped += value[i];
      continue;
    }
    const QChar next = charAt(value, ++i);
    const qsizetype known = QStringLiteral("snrt\\").indexOf(next);
    if (known < 0) {
      ADD_FAILURE() << "unknown string escape \\" << QString(next).toStdString();
      return {};
    }
    unescaped += QStringLiteral(" \n\r\t\\")[known];
  }
  static const QString reserved = QStringLiteral("\t\n\"'\\><~|&;$*?#()`");
  QStringList arguments;
  QString current;
  bool inArgument = false;
  for (qsizetype i = 0; i < unescaped.size(); ++i) {
    const QChar c = unescaped[i];
    if (c == u' ') {
      if (inArgument)
        arguments.append(current);
      current.clear();
      inArgument = false;
    } else if (c == u'"') {
      inArgument = true;
      for (++i; i < unescaped.size() && unescaped[i] != u'"'; ++i) {
        if (unescaped[i] == u'\\') {
          if (!QStringLiteral("\"`$\\").contains(charAt(unescaped, i + 1))) {
            ADD_FAILURE() << "stray backslash in " << unescaped.toStdString();
            return {};
          }
          ++i;
        }
        current += unescaped[i];
      }
      if (i >= unescaped.size()) {
        ADD_FAILURE() << "unclosed quote in " << unescaped.toStdString();
        return {};
      }
    } else if (reserved.contains(c)) {
      ADD_FAILURE() << "reserved character outside quotes in " << unescaped.toStdString();
      return {};
    } else {
      inArgument = true;
      current += c;
    }
  }
  if (inArgument)
    arguments.append(current);
  for (QString& argument : arguments) {
    QString literal;
    for (qsizetype i = 0; i < argument.size(); ++i) {
      if (argument[i] == u'%' && charAt(argument, ++i) != u'%') {
        ADD_FAILURE() << "field code in " << argument.toStdString();
        return {};
      }
      literal += argument[i];
    }
    argument = literal;
  }
  return arguments;
}

QString execValue() {
  QFile file(AutostartEntry::filePath());
  if (!file.open(QIODevice::ReadOnly))
    return {};
  for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
    if (line.startsWith(QStringLiteral("Exec=")))
      return line.mid(5);
  }
  return {};
}

class AutostartEntryTest : public ::testing::Test {
 protected:
  AutostartEntryTest() : m_previous(qgetenv("XDG_CONFIG_HOME")) {
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
  }
  ~AutostartEntryTest() override { qputenv("XDG_CONFIG_HOME", m_previous); }

  QTemporaryDir m_config;
  QByteArray m_previous;
};

TEST_F(AutostartEntryTest, ExecLineGivesBackTheSameArguments) {
  EXPECT_EQ(AutostartEntry::filePath(), m_config.path() + "/autostart/Quorvex.desktop");
  const QStringList cases[] = {
      {"/usr/bin/quorvex"},
      {"/opt/my 100% apps/quorvex", "--home", "/home/me/100%cams"},
      {"/opt/a$b\"c`d\\e/quorvex", "--source", "Door=rtsp://192.0.2.1/live?x=%41&y=1"},
      {"/usr/bin/quorvex", "--source", "Cam=gst:videotestsrc pattern=ball ! videoconvert", "--home",
       "/tmp/a\tb"},
      {"/usr/bin/quorvex", "--source", "It's=file:///home/me/clip (1).mp4"},
  };
  for (const QStringList& command : cases) {
    SCOPED_TRACE(command.join(u' ').toStdString());
    AutostartEntry::write(command);
    ASSERT_TRUE(AutostartEntry::exists());
    EXPECT_EQ(execArguments(execValue()), command) << execValue().toStdString();
  }
  // Plain arguments stay as they are.
  AutostartEntry::write({"/usr/bin/quorvex", "--home", "/srv/cams"});
  EXPECT_EQ(execValue(), "/usr/bin/quorvex --home /srv/cams");
}

TEST_F(AutostartEntryTest, RemoveTakesTheEntryAwayAndIsNoErrorWhenItIsGone) {
  AutostartEntry::write({"/usr/bin/quorvex"});
  ASSERT_TRUE(AutostartEntry::exists());
  AutostartEntry::remove();
  EXPECT_FALSE(AutostartEntry::exists());
  AutostartEntry::remove();
  EXPECT_FALSE(AutostartEntry::exists());
}

}  // namespace
