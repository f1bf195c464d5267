#include "eventlog/event_log.h"

#include "base/error.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

class EventLogTest : public ::testing::Test {
 protected:
  QByteArray bytes() const {
    QFile file(m_path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }
  void setBytes(const QByteArray& content) const {
    QFile file(m_path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(content), content.size());
  }

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

  // The rewrites below must keep the file's permissions and leave no temporary file.
  ASSERT_TRUE(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner));
  log.WriteEntry("cam 1", "MOTION captured on 1", "Alarm");
  log.WriteEntry("CAM 1", "Timed Capture Happend On 3", "Timed Capture");
  log.WriteEntry("Cam 2", "Device Started By User on 4", "Device Events");
  EXPECT_EQ(bytes(),
            "[Cam 1]\r\nMotion Captured On 1=Alarm\r\nTimed Capture Happend On 3=Timed Capture\r\n"
            "[Cam 2]\r\nDevice Lost on 2=Device Events\r\nDevice Started By User on 4=Device Events\r\n");
  EXPECT_EQ(QFile::permissions(m_path),
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
  EXPECT_EQ(QDir(m_home.path()).entryList(QDir::Files), QStringList{"Quorvex.log"});

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
  log.WriteEntry("Cam 1", "Motion Captured On 12-8-26 9-46-10 PM", "Images");
  log.WriteEntry("Cam 1", "Motion Captured On 12-8-26 9-46-10 PM", "Images");
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

TEST_F(EventLogTest, TornLastLineIsIgnoredAndCutBeforeTheNextEntry) {
  const struct {
    const char* name;
    const char* section;  // where the next entry goes: appended or rewritten
  } cases[] = {{"append", "Cam 2"}, {"rewrite", "Cam 1"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    setBytes("[Cam 1]\r\nA=Images\r\n[Cam 2]\r\nB=Images\r\nMotion Captured On 12-8-2");
    EventLog log;
    log.Open(m_path);
    EXPECT_EQ(log.ListKeys("Cam 2"), QStringList{"B"});
    log.WriteEntry(c.section, "C", "Alarm");
    const QByteArray expected = QByteArray(c.section) == "Cam 2"
                                    ? "[Cam 1]\r\nA=Images\r\n[Cam 2]\r\nB=Images\r\nC=Alarm\r\n"
                                    : "[Cam 1]\r\nA=Images\r\nC=Alarm\r\n[Cam 2]\r\nB=Images\r\n";
    EXPECT_EQ(bytes(), expected);
  }
}

TEST_F(EventLogTest, ReadsAHandEditedFile) {
  // A byte order mark, blank lines, LF line ends, a line without "=", a repeated
  // section and a repeated key.
  setBytes(
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

}  // namespace
