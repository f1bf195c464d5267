#include "dialup/connection_use.h"

#include "base/error.h"
#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "dialup/no_dial_up.h"
#include "dialup/t_ras_manager.h"
#include "support/event_loop.h"
#include "support/fixed_clock.h"
#include "support/network_manager_mock.h"
#include "support/temp_home.h"

#include <QStringList>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

// A phonebook of two entries whose connections come up as soon as they are dialled;
// records what was asked of it.
class TwoEntries final : public DialUpBinding {
 public:
  int entryCount() const override { return 2; }
  QString entryName(int index) const override { return QStringLiteral("Entry %1").arg(check(index)); }
  bool isConnected(int index) const override { return connected[check(index)]; }
  void dial(int index) override {
    ++dials;
    connected[check(index)] = true;
  }
  void hangUp(int index) override {
    ++hangUps;
    connected[check(index)] = false;
  }

  bool connected[2] = {false, false};
  std::atomic<int> dials = 0;
  std::atomic<int> hangUps = 0;

 private:
  static int check(int index) {
    if (index < 0 || index >= 2)
      throw Error(QStringLiteral("List index out of bounds (%1)").arg(index));
    return index;
  }
};

ConnectionSetup dialUp(qint32 entry) { return {static_cast<qint32>(ConnectionKind::DialUp), entry}; }

TEST(ConnectionUse, TheFirstUserDialsAndTheLastHangsUpWhatTheProgramDialled) {
  struct Case {
    const char* name;
    bool upAtStart;  // brought up outside the program before
    std::function<void(ConnectionUse&, TwoEntries&)> uses;
    int dials, hangUps, usersAfter;
    bool connectedAfter;
  };
  const Case cases[] = {
      {"two users at once", false,
       [](ConnectionUse& use, TwoEntries&) {
         use.AcquireConnection();
         use.AcquireConnection();
         use.ReleaseConnection();
         EXPECT_TRUE(use.IsConnected(1)) << "one user is left";
         use.ReleaseConnection();
       },
       1, 1, 0, false},
      {"a connection up at the start", true,
       [](ConnectionUse& use, TwoEntries&) {
         EXPECT_EQ(use.userCount(), 1);
         use.AcquireConnection();
         use.AcquireConnection();
         use.ReleaseConnection();
         use.ReleaseConnection();
       },
       0, 0, 1, true},
      {"a connection dialled by someone else after the start", false,
       [](ConnectionUse& use, TwoEntries& entries) {
         entries.connected[1] = true;
         use.AcquireConnection();
         use.ReleaseConnection();
       },
       0, 0, 0, true},
      {"releases without an acquire", false,
       [](ConnectionUse& use, TwoEntries&) {
         use.ReleaseConnection();
         use.ReleaseConnection();
         use.AcquireConnection();
       },
       1, 0, 1, true},
      {"a release too many after a dial", false,
       [](ConnectionUse& use, TwoEntries&) {
         use.AcquireConnection();
         use.ReleaseConnection();
         use.ReleaseConnection();
         use.AcquireConnection();
       },
       2, 1, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TwoEntries entries;
    entries.connected[1] = c.upAtStart;
    ConnectionUse use(entries, dialUp(1));
    c.uses(use, entries);
    EXPECT_EQ(entries.dials, c.dials);
    EXPECT_EQ(entries.hangUps, c.hangUps);
    EXPECT_EQ(use.userCount(), c.usersAfter);
    EXPECT_EQ(entries.connected[1], c.connectedAfter);
  }
}

TEST(ConnectionUse, AnEntryOutsideTheListFailsTheAcquireWithoutCountingIt) {
  TwoEntries entries;
  ConnectionUse use(entries, dialUp(2));
  try {
    use.AcquireConnection();
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(error.message(), QStringLiteral("List index out of bounds (2)"));
  }
  EXPECT_EQ(use.userCount(), 0);
  use.ReleaseConnection();  // ignored
  EXPECT_EQ(entries.dials + entries.hangUps, 0);
}

TEST(ConnectionUse, WithoutDialUpEveryEntryIsOutOfBounds) {
  NoDialUp none;
  ConnectionUse use(none, dialUp(0));
  EXPECT_THROW(use.AcquireConnection(), Error);
  EXPECT_THROW(use.IsConnected(0), Error);
  use.ReleaseConnection();
  EXPECT_EQ(use.userCount(), 0);
}

// Workers acquire and release from their own threads: a connection stays up while
// anyone uses it, and every dial is matched by one hang-up.
TEST(ConnectionUse, UsersOnManyThreadsKeepTheCountStraight) {
  TwoEntries entries;
  ConnectionUse use(entries, dialUp(0));
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&use] {
      for (int i = 0; i < 500; ++i) {
        use.AcquireConnection();
        EXPECT_TRUE(use.IsConnected(0));
        use.ReleaseConnection();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(use.userCount(), 0);
  EXPECT_GE(entries.dials, 1);
  EXPECT_EQ(entries.dials, entries.hangUps);
  EXPECT_FALSE(entries.connected[0]);
}

// Over NetworkManager: two users share one dial, the last one hangs up; a line
// that was up at the start is left up.
TEST(ConnectionUse, SharesOneNetworkManagerConnection) {
  using namespace std::chrono_literals;
  for (const bool upAtStart : {false, true}) {
    SCOPED_TRACE(upAtStart ? "up at the start" : "down at the start");
    NetworkManagerMock mock;
    ASSERT_TRUE(mock.isValid());
    mock.addProfile(QStringLiteral("Office"), QStringLiteral("gsm"), QStringLiteral("u-office"));
    const QString line =
        mock.addProfile(QStringLiteral("Line"), QStringLiteral("pppoe"), QStringLiteral("u-line"));
    if (upAtStart)
      mock.activate(line);
    FixedClock clock;
    TRasManager manager(clock, mock.address());
    manager.StartMonitoring();
    ConnectionUse use(manager, dialUp(0));
    EXPECT_EQ(use.userCount(), upAtStart ? 1 : 0);

    use.AcquireConnection();
    use.AcquireConnection();
    ASSERT_TRUE(waitUntil([&] { return use.IsConnected(0); }));
    use.ReleaseConnection();
    runEvents(1500ms);  // a poll or more
    EXPECT_TRUE(use.IsConnected(0));
    use.ReleaseConnection();
    if (!upAtStart) {
      ASSERT_TRUE(waitUntil([&] { return !use.IsConnected(0); }));
    }
    runEvents(300ms);
    EXPECT_EQ(mock.calls(QStringLiteral("ActivateConnection")), 1)
        << "the program's, or the one before the start";
    EXPECT_EQ(mock.calls(QStringLiteral("DeactivateConnection")), upAtStart ? 0 : 1);
    EXPECT_EQ(mock.activeConnections().size(), upAtStart ? 1 : 0);
  }
}

TEST(ConnectionSetup, AbsentValuesMeanLanWithoutAnEntry) {
  struct Case {
    const char* name;
    std::function<void(SettingsStore&)> store;
    qint32 connectionType, dailNum;
  };
  const Case cases[] = {
      {"nothing stored", [](SettingsStore&) {}, 2, -1},
      {"dial-up entry 3",
       [](SettingsStore& s) {
         s.WriteInteger(QStringLiteral("Connection"), 1);
         s.WriteInteger(QStringLiteral("DailNum"), 3);
       },
       1, 3},
      {"no Internet, entry absent", [](SettingsStore& s) { s.WriteInteger(QStringLiteral("Connection"), 0); },
       0, -1},
      {"a text where numbers belong",
       [](SettingsStore& s) {
         s.WriteString(QStringLiteral("Connection"), QStringLiteral("1"));
         s.WriteInteger(QStringLiteral("DailNum"), 0);
       },
       2, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempHome home;
    const QString file = home.file(QStringLiteral("settings.db"));
    {
      SettingsStore settings(file);
      ASSERT_TRUE(settings.OpenKey(applicationKey(), true));
      c.store(settings);
    }
    const ConnectionSetup setup = ConnectionSetup::read(file);
    EXPECT_EQ(setup.connectionType, c.connectionType);
    EXPECT_EQ(setup.dailNum, c.dailNum);
  }
}

}  // namespace
