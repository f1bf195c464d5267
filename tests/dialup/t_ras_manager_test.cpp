#include "dialup/t_ras_manager.h"

#include "base/error.h"
#include "dialup/network_manager_bus.h"
#include "support/event_loop.h"
#include "support/fixed_clock.h"
#include "support/network_manager_mock.h"

#include <QElapsedTimer>
#include <QProcess>

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

QMap<QString, QVariantMap> section(const QString& name, const QVariantMap& values) {
  return {{name, values}};
}

QStringList names(const TRasManager& manager) {
  QStringList list;
  for (int i = 0; i < manager.entryCount(); ++i) list.append(manager.entryName(i));
  return list;
}

// Only dial-up kinds are entries, in name order whatever the order of listing; a
// profile that cannot be read is left out and one value of the wrong type stays
// empty, without holding the others up.
TEST(TRasManager, ListsTheDialUpProfilesInNameOrderWithTheirProperties) {
  NetworkManagerMock mock;
  ASSERT_TRUE(mock.isValid());
  mock.addProfile("Zeta", "pppoe", "u-zeta", section("connection", {{"interface-name", "eth1"}}));
  mock.addProfile("Office", "802-3-ethernet", "u-office");
  mock.addProfile("alpha", "gsm", "u-alpha-lower", section("gsm", {{"number", "*99#"}}));
  mock.addProfile("Modem", "cdma", "u-modem-2", section("cdma", {{"number", 777}}));
  mock.addUnreadableProfile("/org/freedesktop/NetworkManager/Settings/secret");
  mock.addProfile("Phone", "bluetooth", "u-phone", section("bluetooth", {{"type", "dun"}}));
  mock.addProfile("Headset", "bluetooth", "u-headset", section("bluetooth", {{"type", "panu"}}));
  mock.addProfile("Modem", "gsm", "u-modem-1");
  const QString alpha = mock.addProfile("Alpha", "cdma", "u-alpha", section("cdma", {{"number", "#777"}}));
  const QString active = mock.activate(alpha);
  mock.setIp4Config(active, "10.64.0.2", "10.64.0.1");
  FixedClock clock;

  const TRasManager manager(clock, mock.address());

  EXPECT_EQ(names(manager), (QStringList{"Alpha", "alpha", "Modem", "Modem", "Phone", "Zeta"}));
  struct Expected {
    const char* type;
    const char* device;
    const char* phone;
    const char* uuid;
    bool connected;
    const char* address;
    const char* server;
  };
  const Expected expected[] = {
      {"cdma", "", "#777", "u-alpha", true, "10.64.0.2", "10.64.0.1"},
      {"gsm", "", "*99#", "u-alpha-lower", false, "0.0.0.0", "0.0.0.0"},
      {"gsm", "", "", "u-modem-1", false, "0.0.0.0", "0.0.0.0"},
      {"cdma", "", "", "u-modem-2", false, "0.0.0.0", "0.0.0.0"},
      {"bluetooth", "", "", "u-phone", false, "0.0.0.0", "0.0.0.0"},
      {"pppoe", "eth1", "", "u-zeta", false, "0.0.0.0", "0.0.0.0"},
  };
  for (int i = 0; i < manager.entryCount(); ++i) {
    SCOPED_TRACE(i);
    const TRasEntry entry = manager.entry(i);
    EXPECT_EQ(entry.DeviceType, expected[i].type);
    EXPECT_EQ(entry.DeviceName, expected[i].device);
    EXPECT_EQ(entry.PhoneNumber, expected[i].phone);
    EXPECT_EQ(entry.Uuid, expected[i].uuid);
    EXPECT_EQ(entry.Connected, expected[i].connected);
    EXPECT_EQ(entry.ConnHandle, expected[i].connected ? active : QString());
    EXPECT_EQ(entry.IPAddress, expected[i].address);
    EXPECT_EQ(entry.ServerIPAddress, expected[i].server);
    EXPECT_EQ(entry.StateTime, clock.now());
    EXPECT_EQ(entry.AreaCode, QString());
    EXPECT_EQ(entry.CountryCode, 0);
  }
}

TEST(TRasManager, AnIndexOutsideTheListIsAnError) {
  NetworkManagerMock mock;
  ASSERT_TRUE(mock.isValid());
  mock.addProfile("Modem", "gsm", "u-modem");
  FixedClock clock;
  TRasManager manager(clock, mock.address());
  const std::pair<int, std::function<void()>> uses[] = {
      {1, [&] { manager.entryName(1); }},
      {-1, [&] { manager.isConnected(-1); }},
      {1, [&] { manager.dial(1); }},
      {2, [&] { manager.hangUp(2); }},
  };
  for (const auto& [index, use] : uses) {
    try {
      use();
      ADD_FAILURE() << "no error for " << index;
    } catch (const Error& error) {
      EXPECT_EQ(error.message(), QStringLiteral("List index out of bounds (%1)").arg(index));
    }
  }
  runEvents(200ms);
  EXPECT_EQ(mock.calls("ActivateConnection") + mock.calls("DeactivateConnection"), 0);
}

// The poll sees a connection come and go, in whatever way it happens, and says so.
TEST(TRasManager, MonitoringTellsConnectionsComingAndGoing) {
  NetworkManagerMock mock;
  ASSERT_TRUE(mock.isValid());
  const QString modem = mock.addProfile("Modem", "gsm", "u-modem");
  const QString line = mock.addProfile("Line", "pppoe", "u-line");
  mock.activate(line);
  FixedClock clock;
  TRasManager manager(clock, mock.address());
  QStringList events;
  QObject::connect(&manager, &TRasManager::OnConnect, [&](TRasManager* sender, const TRasEntry& entry) {
    EXPECT_EQ(sender, &manager);
    events.append("connect " + entry.EntryName + " " + entry.StateTime.toString("hh:mm:ss"));
  });
  QObject::connect(&manager, &TRasManager::OnDisconnect, [&](TRasManager*, const TRasEntry& entry) {
    events.append("disconnect " + entry.EntryName + " " + entry.StateTime.toString("hh:mm:ss"));
  });
  QObject::connect(
      &manager, &TRasManager::OnConnecting,
      [&](TRasManager*, int index, const QString& message, quint32 state, quint32 error) {
        events.append(QStringLiteral("connecting %1 %2 %3 %4").arg(index).arg(message).arg(state).arg(error));
      });

  manager.StartMonitoring();
  EXPECT_EQ(events, QStringList{"connect Line 21:46:10"});
  events.clear();

  clock.advance(5s);
  const QString dialling = mock.activate(modem, true);  // by someone else
  ASSERT_TRUE(waitUntil([&] { return manager.entry(1).Activating; }));
  mock.setActiveState(dialling, NetworkManagerBus::Activated);
  ASSERT_TRUE(waitUntil([&] { return manager.isConnected(1); }));
  mock.setActiveState(dialling, NetworkManagerBus::Deactivating);
  ASSERT_TRUE(waitUntil([&] { return !manager.isConnected(1); }));
  EXPECT_EQ(events, (QStringList{"connecting 1 Activating 1 0", "connecting 1 Activated 2 0",
                                 "connect Modem 21:46:15", "connecting 1 Deactivating 3 0",
                                 "disconnect Modem 21:46:15"}));
}

// Dial and HangUp return at once and act on the manager's thread; a dial already
// in progress, of the program or of someone else, is not started again.
TEST(TRasManager, DialsOnceAndHangsUp) {
  NetworkManagerMock mock;
  ASSERT_TRUE(mock.isValid());
  const QString line = mock.addProfile("Line", "pppoe", "u-line");
  const QString modem = mock.addProfile("Modem", "gsm", "u-modem");
  const QString dialling = mock.activate(modem, true);
  FixedClock clock;
  TRasManager manager(clock, mock.address());
  manager.StartMonitoring();
  ASSERT_TRUE(manager.entry(1).Activating);

  manager.dial(1);
  manager.dial(0);
  manager.dial(0);
  ASSERT_TRUE(waitUntil([&] { return manager.isConnected(0); }));
  manager.dial(0);
  runEvents(300ms);
  EXPECT_EQ(mock.calls("ActivateConnection"), 1);

  manager.hangUp(0);
  ASSERT_TRUE(waitUntil([&] { return !manager.isConnected(0); }));
  EXPECT_EQ(mock.activeConnections(), QStringList{dialling});
  EXPECT_EQ(mock.calls("DeactivateConnection"), 1);
  EXPECT_EQ(line, manager.entry(0).ProfilePath);
}

// A hang-up that comes before NetworkManager answered the dial ends the connection
// once it is there, so that no line is left up unused.
TEST(TRasManager, AHangUpBeforeTheDialWasAnsweredEndsTheConnection) {
  NetworkManagerMock mock;
  ASSERT_TRUE(mock.isValid());
  mock.addProfile("Line", "pppoe", "u-line");
  FixedClock clock;
  TRasManager manager(clock, mock.address());
  manager.dial(0);
  manager.hangUp(0);
  ASSERT_TRUE(waitUntil([&] { return mock.calls("DeactivateConnection") == 1; }));
  EXPECT_EQ(mock.calls("ActivateConnection"), 1);
  EXPECT_TRUE(mock.activeConnections().isEmpty());
}

// Delivery workers dial, hang up and ask from their threads while the poll updates
// the entries on this one (the ThreadSanitizer run checks the sharing).
TEST(TRasManager, WorkerThreadsAndThePollShareTheEntries) {
  NetworkManagerMock mock;
  ASSERT_TRUE(mock.isValid());
  mock.addProfile("Line", "pppoe", "u-line");
  FixedClock clock;
  TRasManager manager(clock, mock.address());
  manager.StartMonitoring();
  std::atomic<int> running = 3;
  std::vector<std::thread> workers;
  for (int t = 0; t < 3; ++t) {
    workers.emplace_back([&manager, &running, t] {
      for (int i = 0; i < 200; ++i) {
        if ((i + t) % 2 == 0)
          manager.dial(0);
        else
          manager.hangUp(0);
        EXPECT_EQ(manager.entry(0).EntryName, "Line");
        manager.isConnected(0);
      }
      --running;
    });
  }
  while (running > 0) {
    manager.Refresh();
    QCoreApplication::processEvents();
  }
  for (std::thread& worker : workers) worker.join();
  manager.hangUp(0);
  ASSERT_TRUE(waitUntil([&] {
    manager.Refresh();
    return mock.activeConnections().isEmpty() && !manager.isConnected(0);
  }));
}

// No NetworkManager is no entries and no error, at once.
TEST(TRasManager, WithoutNetworkManagerThereAreNoEntriesAtOnce) {
  QProcess bareBus;
  bareBus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
  ASSERT_TRUE(bareBus.waitForStarted(30000));
  ASSERT_TRUE(waitUntil([&] { return bareBus.canReadLine() || !bareBus.waitForReadyRead(100); }, 30s));
  const QString bareAddress = QString::fromUtf8(bareBus.readLine().trimmed());
  ASSERT_FALSE(bareAddress.isEmpty());
  const std::pair<const char*, QString> buses[] = {
      {"a bus without NetworkManager", bareAddress},
      {"a bus that is not there", "unix:path=/nonexistent/quorvex-test-bus"},
      {"no bus address", "not an address"},
  };
  FixedClock clock;
  for (const auto& [name, address] : buses) {
    SCOPED_TRACE(name);
    QElapsedTimer timer;
    timer.start();
    TRasManager manager(clock, address);
    manager.StartMonitoring();
    manager.Refresh();
    EXPECT_EQ(manager.entryCount(), 0);
    EXPECT_THROW(manager.dial(0), Error);
    // Far below the 25 s a D-Bus call waits by default.
    EXPECT_LT(timer.elapsed(), 5000);
  }
  bareBus.kill();
  bareBus.waitForFinished(30000);
}

// The poll runs on the user-interface thread: a NetworkManager that does not answer
// holds it up for a short time-out only and changes no state; without entries it
// is not even asked.
TEST(TRasManager, ThePollGivesUpSoonAndSkipsWorkWithoutEntries) {
  NetworkManagerMock mock;
  ASSERT_TRUE(mock.isValid());
  FixedClock clock;
  {
    TRasManager none(clock, mock.address());
    const int asked = mock.calls("GetManagedObjects", "/org/freedesktop");
    none.Refresh();
    none.Refresh();
    EXPECT_EQ(mock.calls("GetManagedObjects", "/org/freedesktop"), asked);
  }
  mock.activate(mock.addProfile("Line", "pppoe", "u-line"));
  TRasManager manager(clock, mock.address());
  ASSERT_TRUE(manager.isConnected(0));
  mock.freeze(true);
  QElapsedTimer timer;
  timer.start();
  manager.Refresh();
  const qint64 held = timer.elapsed();
  mock.freeze(false);
  EXPECT_LT(held, 5000);
  EXPECT_TRUE(manager.isConnected(0));
}

}  // namespace
