#include "base/settings_store.h"
#include "base/error.h"
#include "base/settings_keys.h"
#include "support/files.h"
#include "support/full_disk.h"
#include "support/sql.h"
#include "support/temp_home.h"

#include <QFile>

#include <sys/stat.h>

#include <atomic>
#include <functional>
#include <ostream>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

static void PrintTo(const SettingsValue& value, std::ostream* out) {
  *out << value.name.toStdString() << " type " << int(value.type) << " number " << value.number << " text \""
       << value.text.toStdString() << '"';
}

namespace {

// The text of the error a call raises, empty when it raises none.
QString errorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const Error& error) {
    return error.message();
  }
  return {};
}

// A settings file holding one value of each type under the application key.
class SettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SettingsStore store;
    ASSERT_TRUE(store.OpenKey(applicationKey(), true));
    store.WriteInteger("Connection", 2);
    store.WriteString("ImageDir", "/pictures");
    store.WriteExpandString("SoundAlarm", "$HOME/alert.wav");
    store.WriteString("Auth", "");
  }

  TempHome m_home;
};

TEST_F(SettingsStoreTest, ReadsFollowTheAbsenceAndTypeRules) {
  struct Case {
    const char* read;
    std::function<QString(SettingsStore&)> call;
    QString result;
    QString error;
  };
  const auto integer = [](const char* name) {
    return [name](SettingsStore& store) { return QString::number(store.ReadInteger(name)); };
  };
  const auto flag = [](const char* name) {
    return [name](SettingsStore& store) { return QString::number(store.ReadBool(name)); };
  };
  const auto text = [](const char* name) {
    return [name](SettingsStore& store) { return store.ReadString(name); };
  };
  const std::vector<Case> cases = {
      {"integer", integer("Connection"), "2", {}},
      {"flag of a DWORD 2", flag("Connection"), "1", {}},
      {"absent integer", integer("DailNum"), {}, "Failed to get data for 'DailNum'"},
      {"absent flag", flag("AllWiz"), {}, "Failed to get data for 'AllWiz'"},
      {"integer stored as text", integer("ImageDir"), {}, "Failed to get data for 'ImageDir'"},
      {"flag stored as expandable text", flag("SoundAlarm"), {}, "Failed to get data for 'SoundAlarm'"},
      {"text", text("ImageDir"), "/pictures", {}},
      {"expandable text, unexpanded", text("SoundAlarm"), "$HOME/alert.wav", {}},
      {"absent text", text("FTPServer"), "", {}},
      {"text stored as DWORD", text("Connection"), {}, "Failed to get data for 'Connection'"},
  };
  SettingsStore store;
  ASSERT_TRUE(store.OpenKey(applicationKey(), false));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.read);
    QString result;
    EXPECT_EQ(errorOf([&] { result = c.call(store); }), c.error);
    EXPECT_EQ(result, c.result);
  }
  for (const char* name : {"Connection", "ImageDir", "SoundAlarm", "Auth"})
    EXPECT_TRUE(store.ValueExists(name)) << name;
  EXPECT_FALSE(store.ValueExists("FTPServer"));
}

TEST_F(SettingsStoreTest, WithoutAnOpenKeyValuesAreAbsentAndWritesFail) {
  SettingsStore store;
  for (int opened = 0; opened < 2; ++opened) {
    if (opened) {  // an open key that was closed again is the same as none
      ASSERT_TRUE(store.OpenKey(applicationKey(), false));
      store.CloseKey();
    }
    EXPECT_FALSE(store.ValueExists("Connection"));
    EXPECT_EQ(store.ReadString("ImageDir"), "");
    EXPECT_EQ(errorOf([&] { store.ReadInteger("Connection"); }), "Failed to get data for 'Connection'");
    EXPECT_EQ(errorOf([&] { store.WriteInteger("Connection", 1); }), "Failed to set data for 'Connection'");
    EXPECT_EQ(errorOf([&] { store.WriteString("ImageDir", "x"); }), "Failed to set data for 'ImageDir'");
    EXPECT_FALSE(store.DeleteValue("Connection"));
  }
  ASSERT_TRUE(store.OpenKey(applicationKey(), false));
  EXPECT_EQ(store.ReadInteger("Connection"), 2);  // nothing was written
}

TEST_F(SettingsStoreTest, DwordsAreThirtyTwoBitsReadBackSigned) {
  struct Case {
    qint32 written;
    bool flag;
  };
  for (const Case c :
       {Case{0, false}, Case{1, true}, Case{-1, true}, Case{qint32(0xFFFFFFFFu), true},
        Case{std::numeric_limits<qint32>::min(), true}, Case{std::numeric_limits<qint32>::max(), true}}) {
    SCOPED_TRACE(c.written);
    {
      SettingsStore store;
      ASSERT_TRUE(store.OpenKey(applicationKey(), true));
      store.WriteInteger("DailNum", c.written);
    }
    SettingsStore store;
    ASSERT_TRUE(store.OpenKey(applicationKey(), false));
    EXPECT_EQ(store.ReadInteger("DailNum"), c.written);
    EXPECT_EQ(store.ReadBool("DailNum"), c.flag);
  }
  SettingsStore store;
  ASSERT_TRUE(store.OpenKey(applicationKey(), false));
  store.WriteBool("AllWiz", true);
  store.WriteBool("ConnectOnlyOnce", false);
  EXPECT_EQ(store.ReadInteger("AllWiz"), 1);
  EXPECT_EQ(store.ReadInteger("ConnectOnlyOnce"), 0);
  // Writing another type replaces the value.
  store.WriteString("Connection", "2");
  EXPECT_EQ(errorOf([&] { store.ReadInteger("Connection"); }), "Failed to get data for 'Connection'");
}

TEST_F(SettingsStoreTest, KeyAndValueNamesIgnoreCaseInAnyScriptAndKeepTheirFirstSpelling) {
  {
    SettingsStore store;
    ASSERT_TRUE(store.OpenKey(applicationKey() + "\\Caméra Ωmega", true));
    store.WriteString("État", "first");
    store.WriteInteger("Größe", 1);
  }
  SettingsStore store;
  EXPECT_TRUE(store.KeyExists("software\\BRENNOVA\\settings\\CAMÉRA ωMEGA"));
  ASSERT_TRUE(store.OpenKey("\\SOFTWARE\\brennova\\SETTINGS\\caméra ωmega", true));
  EXPECT_EQ(store.ReadString("éTAT"), "first");
  store.WriteString("ÉTAT", "second");
  store.WriteInteger("GRÖßE", 2);
  EXPECT_FALSE(store.ValueExists("Etat"));  // an accent is not a case
  const QList<SettingsValue> values = store.values();
  ASSERT_EQ(values.size(), 2);
  EXPECT_EQ(values[0], (SettingsValue{"Größe", SettingsType::Dword, 2, {}}));
  EXPECT_EQ(values[1], (SettingsValue{"État", SettingsType::String, 0, "second"}));
  ASSERT_TRUE(store.OpenKey(applicationKey().toUpper(), false));
  EXPECT_EQ(store.subKeyNames(), QStringList{"Caméra Ωmega"});
}

TEST_F(SettingsStoreTest, CreatingAKeyCreatesItsParentsAndAKeyMayHaveNoValues) {
  SettingsStore store;
  EXPECT_FALSE(store.OpenKey("\\A\\B\\C", false));
  EXPECT_FALSE(store.KeyExists("\\A"));  // a failed open creates nothing
  ASSERT_TRUE(store.OpenKey("A\\B\\C", true));
  EXPECT_TRUE(store.values().isEmpty());
  for (const char* path : {"\\A", "\\A\\B", "\\A\\B\\C", "A\\b\\c"})
    EXPECT_TRUE(store.KeyExists(path)) << path;
  EXPECT_FALSE(store.KeyExists("\\A\\B\\C\\D"));
  ASSERT_TRUE(store.OpenKey("\\A", false));
  EXPECT_EQ(store.subKeyNames(), QStringList{"B"});
  EXPECT_TRUE(store.values().isEmpty());
}

TEST_F(SettingsStoreTest, DeleteValueReportsWhetherItRemovedOne) {
  SettingsStore store;
  ASSERT_TRUE(store.OpenKey(applicationKey(), false));
  EXPECT_TRUE(store.DeleteValue("imagedir"));
  EXPECT_FALSE(store.ValueExists("ImageDir"));
  EXPECT_FALSE(store.DeleteValue("ImageDir"));
  EXPECT_TRUE(store.ValueExists("Connection"));
  SettingsStore other;  // the removal is stored, not cached
  ASSERT_TRUE(other.OpenKey(applicationKey(), false));
  EXPECT_EQ(other.ReadString("ImageDir"), "");
}

TEST_F(SettingsStoreTest, ExportImportRoundTripsEveryKeyAndValue) {
  const QList<SettingsKey> keys = {
      {"\\Empty\\Leaf", {}},
      {"\\Software\\Brennova\\Settings\\Cam 1",
       {{"Detect", SettingsType::Dword, -7, {}}, {"Note", SettingsType::String, 0, "a\tb\nc=%\\ é"}}},
  };
  SettingsStore store;
  store.importAll(keys);
  const QList<SettingsKey> exported = store.exportAll();
  QStringList paths;
  for (const SettingsKey& key : exported) paths << key.path;
  EXPECT_EQ(paths, (QStringList{"\\Empty", "\\Empty\\Leaf", "\\Software", "\\Software\\Brennova",
                                applicationKey(), applicationKey() + "\\Cam 1"}));
  EXPECT_EQ(exported.last().values, keys.last().values);

  TempHome fresh;
  SettingsStore copy;
  copy.importAll(exported);
  const QList<SettingsKey> again = copy.exportAll();
  ASSERT_EQ(again.size(), exported.size());
  for (qsizetype i = 0; i < again.size(); ++i) {
    EXPECT_EQ(again[i].path, exported[i].path);
    EXPECT_EQ(again[i].values, exported[i].values);
  }
}

class SettingsFileTest : public ::testing::Test {
 protected:
  QString path() const { return m_home.file("settings.db"); }

  // A real settings file with one value, closed.
  QByteArray makeSettingsFile() {
    {
      SettingsStore store(path());
      EXPECT_TRUE(store.OpenKey(applicationKey(), true));
      store.WriteInteger("Connection", 2);
    }
    return readFile(path());
  }

  TempHome m_home;
};

// The file holds account passwords: the database and its journal files are the
// owner's alone, whatever the umask allows.
TEST_F(SettingsFileTest, ANewFileAndItsJournalsAreReadableByTheOwnerOnly) {
  const mode_t previous = ::umask(022);
  SettingsStore store(path());
  ASSERT_TRUE(store.OpenKey(applicationKey(), true));
  store.WriteString("EMailPassword", "secret");
  ::umask(previous);
  int checked = 0;
  for (const QString suffix : {"", "-wal", "-shm", "-journal"}) {
    struct stat status {};
    if (::stat(QFile::encodeName(path() + suffix).constData(), &status) != 0)
      continue;
    EXPECT_EQ(status.st_mode & 0777, 0600u) << suffix.toStdString();
    ++checked;
  }
  EXPECT_GE(checked, 2) << "the database and its write-ahead log";
}

TEST_F(SettingsFileTest, AFileMarkedReadOnlyIsNeverOpenedNorWritten) {
  const QByteArray before = makeSettingsFile();
  ASSERT_EQ(::chmod(QFile::encodeName(path()).constData(), 0444), 0);
  SettingsStore store(path());
  EXPECT_FALSE(store.OpenKey(applicationKey(), true));
  EXPECT_FALSE(store.OpenKey("\\New", true));
  EXPECT_FALSE(store.KeyExists(applicationKey()));
  EXPECT_TRUE(store.openError().contains(path())) << store.openError().toStdString();
  EXPECT_EQ(errorOf([&] { store.ReadInteger("Connection"); }), "Failed to get data for 'Connection'");
  EXPECT_EQ(errorOf([&] { store.WriteInteger("Connection", 1); }), "Failed to set data for 'Connection'");
  EXPECT_EQ(readFile(path()), before);
  EXPECT_EQ(SettingsStore::fileProblem(path()), "");  // read-only is a choice, not a damage
}

TEST_F(SettingsFileTest, AReadOnlyFolderGetsNoSettingsFile) {
  const QString folder = m_home.path() + "locked";
  ASSERT_TRUE(QDir().mkpath(folder));
  ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
  SettingsStore store(folder + "/settings.db");
  EXPECT_FALSE(store.OpenKey(applicationKey(), true));
  EXPECT_FALSE(QFile::exists(folder + "/settings.db"));
  ::chmod(QFile::encodeName(folder).constData(), 0755);
}

TEST_F(SettingsFileTest, AnUnusableFileIsLeftUntouchedAndReportedWithItsPath) {
  const QByteArray good = makeSettingsFile();
  ASSERT_GT(good.size(), 3 * 4096);
  QByteArray foreign = good;
  foreign[68] = 'X';  // another program's application id
  QByteArray damagedPage = good;
  damagedPage.replace(4096, 4096, QByteArray(4096, '\xA5'));
  struct Case {
    const char* what;
    QByteArray bytes;
  };
  for (const Case& c : {Case{"text", "[Settings]\nImageDir=/tmp\n"}, Case{"truncated header", good.left(50)},
                        Case{"another program's database", foreign}, Case{"damaged page", damagedPage}}) {
    SCOPED_TRACE(c.what);
    writeFile(path(), c.bytes);
    const QString problem = SettingsStore::fileProblem(path());
    EXPECT_TRUE(problem.contains("\"" + path() + "\"")) << problem.toStdString();
    SettingsStore store(path());
    EXPECT_FALSE(store.OpenKey(applicationKey(), true));
    EXPECT_FALSE(store.OpenKey("\\Other", true));
    EXPECT_EQ(store.ReadString("ImageDir"), "");
    EXPECT_EQ(readFile(path()), c.bytes);
  }
  QFile::remove(path());
  EXPECT_EQ(SettingsStore::fileProblem(path()), "");  // a missing file is a fresh start
  writeFile(path(), good);
  EXPECT_EQ(SettingsStore::fileProblem(path()), "");
}

// Rows the store would refuse are a damaged file whether it is opened for writing or
// only checked at start-up, and both say so in the same words.
TEST_F(SettingsFileTest, ValuesBreakingTheStoresRulesAreReportedAlikeByEveryCheck) {
  struct Case {
    const char* what;
    const char* sql;
  };
  for (const Case& c :
       {Case{"a DWORD holding text", "UPDATE entries SET data = '2' WHERE name = 'Connection'"},
        Case{"a DWORD beyond 32 bits", "UPDATE entries SET data = 4294967296 WHERE name = 'Connection'"},
        Case{"an unknown type", "UPDATE entries SET type = 3 WHERE name = 'Connection'"}}) {
    SCOPED_TRACE(c.what);
    QFile::remove(path());
    makeSettingsFile();
    runSql(path(), (std::string("PRAGMA ignore_check_constraints = ON; ") + c.sql).c_str());
    const QByteArray broken = readFile(path());
    const QString problem = SettingsStore::fileProblem(path());
    EXPECT_TRUE(problem.contains("\"" + path() + "\"")) << problem.toStdString();
    SettingsStore store(path());
    EXPECT_FALSE(store.OpenKey(applicationKey(), false));
    EXPECT_EQ(store.openError(), problem);
    EXPECT_EQ(readFile(path()), broken);
  }
}

// A settings file on a disk without room: reads go on, every write says the disk is
// full (not that the file is damaged), and writes land again once space is back.
TEST_F(SettingsFileTest, AFullDiskKeepsSettingsReadableAndRefusesWritesAsDiskFull) {
  const QString folder = m_home.path() + "disk";
  ASSERT_TRUE(QDir().mkpath(folder));
  FullDisk disk(folder);
  if (!disk.mounted())
    GTEST_SKIP() << disk.skipReason().toStdString();
  const QString file = folder + "/settings.db";
  {
    SettingsStore store(file);
    ASSERT_TRUE(store.OpenKey(applicationKey() + "\\Cam 1", true));
    store.WriteInteger("Detect", 1);
  }
  const QString full = QStringLiteral("the disk holding \"%1\" is full").arg(folder);
  {
    SettingsStore openBefore(file);  // its journal index was made while there was room
    ASSERT_TRUE(openBefore.OpenKey(applicationKey() + "\\Cam 1", false));
    disk.fill();
    EXPECT_TRUE(errorOf([&] { openBefore.WriteInteger("Detect", 0); }).contains(full));
  }
  disk.fill();  // closing removed the journal files and so made a little room
  EXPECT_EQ(SettingsStore::fileProblem(file), "");
  for (int attempt = 0; attempt < 2; ++attempt) {  // the second one meets the first's leftovers
    SCOPED_TRACE(attempt);
    SettingsStore store(file);
    ASSERT_TRUE(store.OpenKey(applicationKey() + "\\Cam 1", true)) << store.openError().toStdString();
    EXPECT_EQ(store.ReadInteger("Detect"), 1);
    const QString error = errorOf([&] { store.WriteInteger("Detect", 0); });
    EXPECT_TRUE(error.startsWith("Failed to set data for 'Detect'")) << error.toStdString();
    EXPECT_TRUE(error.contains(full)) << error.toStdString();
    EXPECT_TRUE(errorOf([&] { store.importAll({{"\\New", {}}}); }).contains(full));
    EXPECT_FALSE(store.OpenKey("\\New", true));
  }
  EXPECT_EQ(SettingsStore::fileProblem(file), "");

  disk.free();
  {
    SettingsStore store(file);
    ASSERT_TRUE(store.OpenKey(applicationKey() + "\\Cam 1", true)) << store.openError().toStdString();
    EXPECT_EQ(errorOf([&] { store.WriteInteger("Detect", 0); }), "");
  }
  SettingsStore store(file);
  ASSERT_TRUE(store.OpenKey(applicationKey() + "\\Cam 1", false));
  EXPECT_EQ(store.ReadInteger("Detect"), 0);
}

// Writers and readers on several threads, each with its own accessor as the callers
// use it: every write lands, and no reader sees a half-written or older value.
TEST_F(SettingsFileTest, ConcurrentWritersAndReadersNeitherLoseNorTearValues) {
  constexpr int kWriters = 4, kReaders = 2, kRounds = 60;
  const auto payload = [](int writer, int round) {
    return QStringLiteral("%1:%2:").arg(writer).arg(round) +
           QString(2000, QChar(u'a' + (writer + round) % 26));
  };
  const auto wellFormed = [&](const QString& text) {
    const QStringList parts = text.split(u':');
    return parts.size() == 3 && text == payload(parts[0].toInt(), parts[1].toInt());
  };
  std::atomic<int> writersLeft = kWriters;
  std::atomic<int> failures = 0, payloadsSeen = 0;
  std::vector<std::thread> threads;
  for (int writer = 0; writer < kWriters; ++writer) {
    threads.emplace_back([&, writer] {
      for (int round = 0; round < kRounds; ++round) {
        SettingsStore store(path());
        if (!store.OpenKey(applicationKey() + "\\Shared", true)) {
          ++failures;
          continue;
        }
        store.WriteString("Payload", payload(writer, round));
        store.WriteString(QStringLiteral("Own %1 %2").arg(writer).arg(round), payload(writer, round));
        store.WriteInteger(QStringLiteral("Round %1").arg(writer), round);
      }
      --writersLeft;
    });
  }
  for (int reader = 0; reader < kReaders; ++reader) {
    threads.emplace_back([&] {
      std::vector<int> lastRound(kWriters, -1);
      while (writersLeft > 0) {
        SettingsStore store(path());
        if (!store.OpenKey(applicationKey() + "\\Shared", false))
          continue;
        const QString text = store.ReadString("Payload");
        if (!text.isEmpty()) {
          failures += !wellFormed(text);
          ++payloadsSeen;
        }
        for (int writer = 0; writer < kWriters; ++writer) {
          const QString name = QStringLiteral("Round %1").arg(writer);
          if (!store.ValueExists(name))
            continue;
          const int round = store.ReadInteger(name);
          failures += round < lastRound[writer];  // a committed write never goes back
          lastRound[writer] = round;
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, 0);
  EXPECT_GT(payloadsSeen, 0);
  SettingsStore store(path());
  ASSERT_TRUE(store.OpenKey(applicationKey() + "\\Shared", false));
  EXPECT_EQ(store.values().size(), 1 + kWriters + kWriters * kRounds);
  for (int writer = 0; writer < kWriters; ++writer) {
    EXPECT_EQ(store.ReadInteger(QStringLiteral("Round %1").arg(writer)), kRounds - 1);
    for (int round = 0; round < kRounds; ++round)
      EXPECT_EQ(store.ReadString(QStringLiteral("Own %1 %2").arg(writer).arg(round)), payload(writer, round));
  }
  EXPECT_TRUE(wellFormed(store.ReadString("Payload")));
}

}  // namespace
