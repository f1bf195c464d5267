#pragma once

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QList>
#include <QString>

#include <optional>
#include <vector>

// NetworkManager on the system D-Bus, as far as dial-up needs it: the dial-up
// connection profiles, the active connections, activating and deactivating.
// Without a bus, or without NetworkManager on it, there are no profiles and no
// connections, at once and without an error; every call gives up after a short
// time-out, so an unanswering NetworkManager never holds the caller up for long.
// Used on one thread only.
class NetworkManagerBus {
 public:
  // A connection profile of a dial-up kind.
  struct Profile {
    QString path;  // the settings object
    QString uuid;
    QString id;
    QString type;  // gsm, cdma, pppoe or bluetooth
    // Read one by one: a value that is missing or of another type stays empty.
    QString interfaceName;
    QString phoneNumber;
  };
  // An active connection, in any state.
  struct Active {
    QString path;
    QString uuid;  // of its profile
    quint32 state = 0;
    // From its IPv4 configuration; empty when there is none.
    QString address;
    QString gateway;
  };
  // NetworkManager's active connection states.
  enum State : quint32 { Unknown = 0, Activating = 1, Activated = 2, Deactivating = 3, Deactivated = 4 };

  // The bus named by the environment variable DBUS_SYSTEM_BUS_ADDRESS, else the
  // system bus's standard socket.
  static QString systemBusAddress();

  explicit NetworkManagerBus(const QString& address);
  // Waits, at most the short time-out, for the deactivations still under way to
  // be answered, so that a program ending right after a hang-up still sends it.
  ~NetworkManagerBus();
  NetworkManagerBus(const NetworkManagerBus&) = delete;
  NetworkManagerBus& operator=(const NetworkManagerBus&) = delete;

  // The dial-up profiles, in no particular order. A profile whose settings cannot
  // be read is left out, as it cannot be named.
  QList<Profile> dialUpProfiles();
  // Every active connection; none when NetworkManager did not answer.
  std::optional<QList<Active>> activeConnections();
  // Asks NetworkManager to bring the profile up; the answer is the active
  // connection's path.
  QDBusPendingCall activate(const QString& profilePath);
  // Asks NetworkManager to take the active connection down; the answer is not awaited.
  void deactivate(const QString& activePath);

 private:
  QDBusConnection m_bus;
  std::vector<QDBusPendingCall> m_deactivations;
};
