#include "eventlog/event_log.h"

#include "base/error.h"
#include "support/files.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <future>
#include <map>
#include <vector>

namespace {

// Waits for a child process, killing it after a generous bound; true when it exited with 0.
bool endsWell(pid_t child) {
  auto ended = std::async(std::launch::async, [child] {
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  });
  if (ended.wait_for(std::chrono::minutes(2)) == std::future_status::timeout)
    ::kill(child, SIGKILL);
  return ended.get();
}

class EventLogTest : public ::testing::Test {
 protected:
  QByteArray bytes() const { return readFile(m_path); }

  TempHome m_home;
  QString m_path = m_home.file(QStringLiteral("Quorvex.log"));
};

TEST_F(EventLogTest, WritesAppendReplaceInPlaceAndInsertIntoTheirSection) {
  EventLog log;
  log.Open(m_path);
  log.WriteEntry("Cam 1", "Motion Captured On 1", "Images");
  EXPECT_EQ(bytes(), "[Cam 1]\r\nMotion Captured On 1=Images\r\n");

  log.WriteEntry("Cam 2", "Device Lost on 2", "Device Events");
  EXPECT_EQ(bytes(),
            "[Cam 1]\r\nMotion Captured On 1=Images\r\n[Cam 2]\r\nDevice Lost on 2=Device Events\r\n");

  // The rewrites below must keep the file's permissions and leave no temporary file;
  // the lock file stays for the next writer.
  ASSERT_TRUE(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner));
  log.WriteEntry("cam 1", "MOTION captured on 1", "Alarm");
  log.WriteEntry("CAM 1", "Timed Capture Happend On 3", "Timed Capture");
  log.WriteEntry("Cam 2", "Device Started By User on 4", "Device Events");
  EXPECT_EQ(bytes(),
            "[Cam 1]\r\nMotion Captured On 1=Alarm\r\nTimed Capture Happend On 3=Timed Capture\r\n"
            "[Cam 2]\r\nDevice Lost on 2=Device Events\r\nDevice Started By User on 4=Device Events\r\n");
  EXPECT_EQ(QFile::permissions(m_path),
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
  EXPECT_EQ(QDir(m_home.path()).entryList(QDir::Files), (QStringList{"Quorvex.log", "Quorvex.log.lock"}));

  EventLog reader;
  reader.Open(m_path);
  EXPECT_EQ(reader.ListSections(), (QStringList{"Cam 1", "Cam 2"}));
  EXPECT_EQ(reader.ListKeys("cam 1"), (QStringList{"Motion Captured On 1", "Timed Capture Happend On 3"}));
  EXPECT_EQ(reader.ReadValue("Cam 1", "motion captured on 1", "none"), "Alarm");
  EXPECT_EQ(reader.ReadValue("Cam 2", "Motion Captured On 1", "none"), "none");
  EXPECT_EQ(reader.ReadValue("Cam 3", "Device Lost on 2", "none"), "none");
  EXPECT_TRUE(reader.ListKeys("Cam 3").isEmpty());
}

TEST_F(EventLogTest, MissingFileHasNoSectionsUntilTheFirstWriteCreatesIt) {
  EventLog log;
  log.Open(m_path);
  EXPECT_TRUE(log.ListSections().isEmpty());
  EXPECT_TRUE(log.ListKeys("Cam 1").isEmpty());
  EXPECT_EQ(log.ReadValue("Cam 1", "Motion Captured On 1", "default"), "default");
  log.Flush();
  EXPECT_FALSE(QFile::exists(m_path));

  log.WriteEntry("Cam 1", "Motion Captured On 1", "Images");
  EXPECT_EQ(log.ListSections(), QStringList{"Cam 1"});
  EXPECT_EQ(log.ListKeys("Cam 1"), QStringList{"Motion Captured On 1"});

  // Deleted behind the log's back: it starts over instead of trusting its index.
  ASSERT_TRUE(QFile::remove(m_path));
  EXPECT_TRUE(log.ListSections().isEmpty());
  log.WriteEntry("Cam 2", "Device Lost on 2", "Device Events");
  EXPECT_EQ(bytes(), "[Cam 2]\r\nDevice Lost on 2=Device Events\r\n");
}

TEST_F(EventLogTest, SameEventTwiceInOneSecondKeepsOneLine) {
  EventLog log;
  log.Open(m_path);
  EXPECT_TRUE(log.WriteEntry("Cam 1", "Motion Captured On 12-8-26 9-46-10 PM", "Images"));
  EXPECT_FALSE(log.WriteEntry("Cam 1", "Motion Captured On 12-8-26 9-46-10 PM", "Images"))
      << "nothing changed";
  EXPECT_EQ(bytes(), "[Cam 1]\r\nMotion Captured On 12-8-26 9-46-10 PM=Images\r\n");
}

TEST_F(EventLogTest, ListsEverySectionAndKeyWholeBeyondSixteenKilobytes) {
  EventLog log;
  log.Open(m_path);
  log.WriteEntry("Front Door", "Device Started By User on 1", "Device Events");
  QStringList written;
  for (int n = 0; n < 1000; ++n) {
    written.append(QStringLiteral("Motion Captured On 12-8-26 9-46-%1 PM").arg(n, 4, 10, QLatin1Char('0')));
    log.WriteEntry("Busy Camera", written.last(), "Images");
  }
  log.WriteEntry("Back Yard", "Device Lost on 2", "Device Events");
  ASSERT_GT(bytes().size(), 32768);

  EventLog reader;
  reader.Open(m_path);
  EXPECT_EQ(reader.ListSections(), (QStringList{"Front Door", "Busy Camera", "Back Yard"}));
  EXPECT_EQ(reader.ListKeys("Busy Camera"), written);
  EXPECT_EQ(reader.ReadValue("Busy Camera", written.last(), "none"), "Images");
}

TEST_F(EventLogTest, SeesWhatAnotherWriterChanged) {
  EventLog first;
  first.Open(m_path);
  EventLog second;
  second.Open(m_path);
  first.WriteEntry("Cam 1", "A", "Images");
  EXPECT_EQ(second.ListKeys("Cam 1"), QStringList{"A"});

  second.WriteEntry("Cam 1", "B", "Alarm");  // append
  second.WriteEntry("Cam 2", "C", "FTP");    // new section
  EXPECT_EQ(first.ListSections(), (QStringList{"Cam 1", "Cam 2"}));
  EXPECT_EQ(first.ListKeys("Cam 1"), (QStringList{"A", "B"}));

  second.WriteEntry("Cam 1", "A", "Email");  // rewrite, same size as before
  EXPECT_EQ(first.ReadValue("Cam 1", "A", "none"), "Email");

  first.WriteEntry("Cam 2", "D", "Images");
  first.WriteEntry("Cam 1", "E", "Images");
  EXPECT_EQ(bytes(), "[Cam 1]\r\nA=Email\r\nB=Alarm\r\nE=Images\r\n[Cam 2]\r\nC=FTP\r\nD=Images\r\n");
}

ino_t inodeOf(const QString& path) {
  struct stat st;
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// Many lines of one section, to make a log too long to be rewritten for each entry.
QByteArray busySection(int entries) {
  QByteArray content = "[Busy]\r\n";
  for (int n = 0; n < entries; ++n)
    content += "Motion Captured On 12-8-26 " + QByteArray::number(n) + "=Images\r\n";
  return content;
}

TEST_F(EventLogTest, TwoProcessesWritingTheirOwnSectionsLoseNoEntry) {
  // "Cam 1" comes first, so its writer adds to a section that is not the last one
  // while the other appends.
  const struct {
    const char* name;
    QByteArray start;
  } cases[] = {{"short log", "[Cam 1]\r\n[Cam 2]\r\n"},
               {"long log", "[Cam 1]\r\n" + busySection(3000) + "[Cam 2]\r\n"}};
  constexpr int kEntries = 400;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeFile(m_path, c.start);
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    std::vector<pid_t> writers;
    for (const char* section : {"Cam 1", "Cam 2"}) {
      const pid_t child = ::fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        // Both start when the gate opens, so that their writes interleave.
        ::close(gate[1]);
        char go;
        [[maybe_unused]] const ssize_t opened = ::read(gate[0], &go, 1);
        try {
          EventLog log;
          log.Open(m_path);
          for (int n = 0; n < kEntries; ++n)
            log.WriteEntry(section, QStringLiteral("Motion Captured On %1").arg(n), QStringLiteral("Images"));
        } catch (const Error&) {
          ::_exit(2);
        }
        ::_exit(0);
      }
      writers.push_back(child);
    }
    ::close(gate[0]);
    ::close(gate[1]);
    for (const pid_t writer : writers) EXPECT_TRUE(endsWell(writer));

    QStringList expected;
    for (int n = 0; n < kEntries; ++n) expected.append(QStringLiteral("Motion Captured On %1").arg(n));
    EventLog reader;
    reader.Open(m_path);
    for (const char* section : {"Cam 1", "Cam 2"}) {
      const QStringList keys = reader.ListKeys(section);
      EXPECT_EQ(keys.size(), kEntries) << section;
      EXPECT_TRUE(keys == expected) << section;
    }
    EXPECT_EQ(reader.ListKeys("Busy").size(), c.start.count("=Images"));
    // Each section stays in one piece.
    for (const QByteArray header : {"[Cam 1]\r\n", "[Cam 2]\r\n", "[Busy]\r\n"})
      EXPECT_LE(bytes().count(header), 1) << header.constData();
  }
}

// Every non-blank line of the file with its line end taken off, sorted.
QByteArrayList linesOf(const QByteArray& content) {
  QByteArrayList lines;
  for (QByteArray line : content.split('\n')) {
    if (line.endsWith('\r'))
      line.chop(1);
    if (!line.isEmpty())
      lines.append(line);
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

// Each section's keys and values, the sections by name.
std::map<QString, QStringList> entriesOf(EventLog& log) {
  std::map<QString, QStringList> entries;
  for (const QString& section : log.ListSections()) {
    for (const QString& key : log.ListKeys(section))
      entries[section].append(key + '=' + log.ReadValue(section, key, {}));
  }
  return entries;
}

TEST_F(EventLogTest, WriteIntoAnEarlierSectionKeepsEverythingElse) {
  // A hand-edited log: text before the first section, blank lines, a line that is no
  // entry, a section in two pieces and a last line without its line break.
  const struct {
    const char* name;
    QByteArray middle;
  } cases[] = {{"short log", ""}, {"long log", busySection(3000)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QByteArray start =
        "\xEF\xBB\xBFnotes\r\n[Cam 1]\r\nA=Images\r\n\r\n[Cam 2]\nB=FTP\n" + c.middle +
        "[CAM 1]\r\nC=Alarm\r\nnot an entry\r\n[Cam 3]\r\nD=Email\r\nMotion Captured On 12-8-2";
    writeFile(m_path, start);
    EventLog log;
    log.Open(m_path);
    std::map<QString, QStringList> expected = entriesOf(log);
    log.WriteEntry("cam 1", "E", "Alarm");
    expected["Cam 1"].append("E=Alarm");

    QByteArrayList lines = linesOf(start) << "E=Alarm";
    std::sort(lines.begin(), lines.end());
    const QByteArrayList linesAfter = linesOf(bytes());
    EXPECT_EQ(linesAfter.size(), lines.size());
    EXPECT_TRUE(linesAfter == lines);
    EXPECT_TRUE(bytes().startsWith("\xEF\xBB\xBFnotes\r\n["));
    EventLog reader;
    reader.Open(m_path);
    EXPECT_TRUE(entriesOf(reader) == expected);
  }
}

TEST_F(EventLogTest, LongLogTakesEntriesOfTwoWritersInPlaceAndOthersFollowThem) {
  writeFile(m_path, "[Cam 1]\r\nA=Images\r\n" + busySection(3000) + "[Cam 2]\r\nB=Images\r\n");
  EventLog first;
  first.Open(m_path);
  EventLog second;
  second.Open(m_path);
  EventLog watcher;
  watcher.Open(m_path);

  first.WriteEntry("Cam 1", "C", "Images");  // moves "Cam 1" past the others, once
  EXPECT_EQ(watcher.ListSections(), (QStringList{"Busy", "Cam 2", "Cam 1"}));
  const qint64 size = QFileInfo(m_path).size();
  const ino_t inode = inodeOf(m_path);

  // "Cam 2" is no longer last: its entries fill the room left behind it, in place.
  // An unended line left by a crash gets its line break first.
  QFile file(m_path);
  ASSERT_TRUE(file.open(QIODevice::Append));
  ASSERT_EQ(file.write("Motion Capt"), 11);
  file.close();
  for (const char* key : {"D", "E", "F"}) second.WriteEntry("Cam 2", key, "Alarm");
  first.WriteEntry("Cam 1", "G", "Images");
  EXPECT_EQ(inodeOf(m_path), inode);
  EXPECT_EQ(QFileInfo(m_path).size(), size + 11 + 2 + 10);

  // Those who read before follow both kinds of change without reading anew.
  for (EventLog* log : {&first, &second, &watcher}) {
    EXPECT_EQ(log->ListKeys("Cam 2"), (QStringList{"B", "D", "E", "F"}));
    EXPECT_EQ(log->ListKeys("Cam 1"), (QStringList{"A", "C", "G"}));
    EXPECT_EQ(log->ReadValue("Cam 2", "E", "none"), "Alarm");
  }
  EventLog fresh;
  fresh.Open(m_path);
  EXPECT_TRUE(entriesOf(fresh) == entriesOf(watcher));
  EXPECT_TRUE(bytes().endsWith("[Cam 1]\r\nA=Images\r\nC=Images\r\nMotion Capt\r\nG=Images\r\n"));
}

TEST_F(EventLogTest, UnterminatedLastLineIsIgnoredUntilTheNextEntryEndsIt) {
  // A last line without its line break is left by a crash mid-append or by an editor.
  // Nothing of it may be lost; once ended, it is a line like any other.
  const QByteArray longLog = [] {
    QByteArray content = "[Cam 1]\r\nA=Images\r\n[Cam 2]\r\n";
    for (int n = 0; n < 5000; ++n) content += "Motion Captured On " + QByteArray::number(n) + "=Images\r\n";
    return content;
  }();
  const struct {
    const char* name;
    QByteArray whole;    // the file's lines that end with a line break
    QByteArray unended;  // its last line, without one
    QStringList sectionsBefore;
    const char* section;  // where the next entry goes
    QByteArray expected;  // the file afterwards
  } cases[] = {
      {"append",
       "[Cam 1]\r\nA=Images\r\n[Cam 2]\r\nB=Images\r\n",
       "Motion Captured On 12-8-2",
       {"Cam 1", "Cam 2"},
       "Cam 2",
       "[Cam 1]\r\nA=Images\r\n[Cam 2]\r\nB=Images\r\nMotion Captured On 12-8-2\r\nC=Alarm\r\n"},
      {"insert",
       "[Cam 1]\r\nA=Images\r\n[Cam 2]\r\nB=Images\r\n",
       "Motion Captured On 12-8-2",
       {"Cam 1", "Cam 2"},
       "Cam 1",
       "[Cam 1]\r\nA=Images\r\nC=Alarm\r\n[Cam 2]\r\nB=Images\r\nMotion Captured On 12-8-2\r\n"},
      {"no line break at all",
       "",
       "notes about the cameras",
       {},
       "Cam 1",
       "notes about the cameras\r\n[Cam 1]\r\nC=Alarm\r\n"},
      {"a section header",
       "[Cam 1]\r\nA=Images\r\n",
       "[Cam 2]",
       {"Cam 1"},
       "Cam 2",
       "[Cam 1]\r\nA=Images\r\n[Cam 2]\r\nC=Alarm\r\n"},
      {"long log, append",
       longLog,
       "Motion Captured On 99",
       {"Cam 1", "Cam 2"},
       "Cam 2",
       longLog + "Motion Captured On 99\r\nC=Alarm\r\n"},
      {"long log, other section",
       longLog,
       "Motion Captured On 99",
       {"Cam 1", "Cam 2"},
       "Cam 3",
       longLog + "Motion Captured On 99\r\n[Cam 3]\r\nC=Alarm\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeFile(m_path, c.whole + c.unended);
    EventLog log;
    log.Open(m_path);
    EXPECT_EQ(log.ListSections(), c.sectionsBefore);
    log.WriteEntry(c.section, "C", "Alarm");
    EXPECT_EQ(bytes().size(), c.expected.size());
    EXPECT_TRUE(bytes() == c.expected);
    EXPECT_EQ(log.ReadValue(c.section, "C", "none"), "Alarm");
  }
}

TEST_F(EventLogTest, ReadsAHandEditedFile) {
  // A byte order mark, blank lines, LF line ends, a line without "=", a repeated
  // section and a repeated key.
  writeFile(m_path,
            "\xEF\xBB\xBF[Cam 1]\r\n\r\nA=Images\nnot an entry\r\n\r\n[Cam 2]\nB=FTP\r\n"
            "[CAM 1]\r\nC=Alarm\r\na=Email\r\n\r\n");
  EventLog log;
  log.Open(m_path);
  EXPECT_EQ(log.ListSections(), (QStringList{"Cam 1", "Cam 2"}));
  EXPECT_EQ(log.ListKeys("Cam 1"), (QStringList{"A", "C"}));
  EXPECT_EQ(log.ReadValue("Cam 1", "a", "none"), "Images");
  EXPECT_EQ(log.ReadValue("Cam 2", "B", "none"), "FTP");
}

TEST_F(EventLogTest, RefusedWriteRaisesItsMessageAndChangesNothing) {
  EventLog log;
  log.Open(m_path);
  log.WriteEntry("Cam 1", "A", "Images");
  log.WriteEntry("Cam 2", "B", "Images");
  const QByteArray before = bytes();
  ASSERT_TRUE(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
  const QString expected = "Unable to write to " + QFileInfo(m_path).absoluteFilePath();
  const struct {
    const char* section;
    const char* key;
  } writes[] = {{"Cam 2", "C"}, {"Cam 3", "C"}, {"Cam 1", "A"}, {"Cam 1", "C"}};
  for (const auto& w : writes) {
    try {
      log.WriteEntry(w.section, w.key, "Alarm");
      ADD_FAILURE() << "no error for " << w.section << " " << w.key;
    } catch (const Error& error) {
      EXPECT_EQ(error.message(), expected);
    }
  }
  EXPECT_EQ(bytes(), before);
  EXPECT_EQ(log.ListKeys("Cam 2"), QStringList{"B"});

  // Writable again: the next event goes through.
  ASSERT_TRUE(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner));
  log.WriteEntry("Cam 2", "C", "Alarm");
  EXPECT_EQ(log.ListKeys("Cam 2"), (QStringList{"B", "C"}));
}

TEST_F(EventLogTest, ReadOnlyFolderRefusesTheFirstWrite) {
  const QString folder = m_home.path() + "locked";
  ASSERT_TRUE(QDir().mkdir(folder));
  const QString path = folder + "/Quorvex.log";
  ASSERT_TRUE(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
  EventLog log;
  log.Open(path);
  try {
    log.WriteEntry("Cam 1", "A", "Images");
    ADD_FAILURE() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(error.message(), "Unable to write to " + path);
  }
  EXPECT_FALSE(QFile::exists(path));
  QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The error carries the failed call's error number, so its handler need not trust
// errno; a refusal without a failed call carries none.
TEST_F(EventLogTest, RefusedWriteCarriesTheErrorNumberOfItsFailedCall) {
  EventLog log;
  log.Open(m_path);
  log.WriteEntry("Cam 1", "A", "Images");
  ASSERT_TRUE(QFile::setPermissions(m_path, QFile::ReadOwner));
  const struct {
    const char* name;
    QString path;
    QString value;
    int systemError;
  } cases[] = {
      {"read-only file", m_path, "Images", 0},
      {"entry on two lines", m_path, "Images\r\nx", 0},
      {"file in a missing folder", m_home.path() + "missing/Quorvex.log", "Images", ENOENT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    log.Open(c.path);
    errno = ENOSPC;  // left over from something else
    try {
      log.WriteEntry("Cam 1", "B", c.value);
      ADD_FAILURE() << "no error";
    } catch (const Error& error) {
      EXPECT_EQ(error.systemError(), c.systemError);
    }
  }
}

TEST_F(EventLogTest, KeepsUtf8NamesAndComparesThemByCaseFolding) {
  EventLog log;
  log.Open(m_path);
  // Final sigma and capital sigma fold alike; plain lower-casing would not match them.
  log.WriteEntry("Κάμερα ΑΥΛΗΣ", "Bewegung erfasst am 08.12.26 ÄÖÜ ΑΥΛΗΣ", "Images");
  log.WriteEntry("κάμερα αυλης", "BEWEGUNG ERFASST AM 08.12.26 äöü αυλης", "Alarm");
  log.WriteEntry("東京 カメラ", "動き 検出", "Images");
  EXPECT_EQ(bytes(),
            "[Κάμερα ΑΥΛΗΣ]\r\nBewegung erfasst am 08.12.26 ÄÖÜ ΑΥΛΗΣ=Alarm\r\n[東京 カメラ]\r\n動き "
            "検出=Images\r\n");
  EventLog reader;
  reader.Open(m_path);
  EXPECT_EQ(reader.ListSections(), (QStringList{"Κάμερα ΑΥΛΗΣ", "東京 カメラ"}));
  EXPECT_EQ(reader.ReadValue("東京 カメラ", "動き 検出", "none"), "Images");
}

TEST_F(EventLogTest, KeysReadBackExactlyAsWritten) {
  EventLog log;
  log.Open(m_path);
  // An e-mail key with an empty second address ends in a blank; addresses may hold "=";
  // a caption may hold "]"; a message may begin with "[" or ";".
  const QStringList keys{"Image Emailed on 12-8-26 to a@b.org and ",
                         "Image Emailed on 1 to x=y@b.org and z@c.org", "[Night] Motion Captured On 1",
                         "; Device Lost on 1", "  padded  "};
  for (const QString& key : keys) log.WriteEntry("Cam [1]]", key, "Email");
  EventLog reader;
  reader.Open(m_path);
  EXPECT_EQ(reader.ListSections(), QStringList{"Cam [1]]"});
  EXPECT_EQ(reader.ListKeys("Cam [1]]"), keys);
  for (const QString& key : keys)
    EXPECT_EQ(reader.ReadValue("Cam [1]]", key, "none"), "Email") << key.toStdString();
}

TEST_F(EventLogTest, EntryThatCannotBeOneLineIsRefused) {
  EventLog log;
  log.Open(m_path);
  log.WriteEntry("Cam 1", "A", "Images");
  const QByteArray before = bytes();
  const struct {
    const char* section;
    const char* key;
    const char* value;
  } bad[] = {{"Cam\r\n[Other]", "A", "Images"},
             {"Cam 1", "B\r\nC", "Images"},
             {"Cam 1", "B", "Ima\nges"},
             {"Cam 1", "B", "a=b"},
             {"Cam 1", "[B", "C]"}};
  for (const auto& b : bad) {
    EXPECT_THROW(log.WriteEntry(b.section, b.key, b.value), Error) << b.key << " " << b.value;
  }
  EXPECT_EQ(bytes(), before);
}

TEST_F(EventLogTest, PrintsNothing) {
  // The program shows entries on standard output itself, without blocking on it.
  EventLog log;
  log.Open(m_path);
  testing::internal::CaptureStdout();
  log.WriteEntry("Cam 1", "Motion Captured On 12-8-26 9-46-10 PM", "Images");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

}  // namespace
