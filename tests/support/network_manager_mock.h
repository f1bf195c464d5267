#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// A private D-Bus daemon with python3-dbusmock's NetworkManager template on it, for
// the lifetime of the object. While it lives, DBUS_SYSTEM_BUS_ADDRESS names its bus
// (in this process and the programs it starts), so the code under test finds it as
// the system bus. The mock has one Ethernet device, which it needs before it
// deactivates anything.
class NetworkManagerMock {
 public:
  // Fails the test (isValid() is then false) when the bus or the mock does not come up.
  NetworkManagerMock();
  ~NetworkManagerMock();
  NetworkManagerMock(const NetworkManagerMock&) = delete;
  NetworkManagerMock& operator=(const NetworkManagerMock&) = delete;

  bool isValid() const { return m_valid; }
  QString address() const { return m_address; }

  // Adds a connection profile of the kind `type` named `id`, with the further
  // settings sections given; returns its settings path.
  QString addProfile(const QString& id, const QString& type, const QString& uuid,
                     const QMap<QString, QVariantMap>& sections = {});
  // A settings object whose settings cannot be read.
  void addUnreadableProfile(const QString& path);
  // Brings the profile up as someone outside the program would; returns the active
  // connection's path. `activating`: it stays in the activating state.
  QString activate(const QString& profilePath, bool activating = false);
  // Gives the active connection an IPv4 configuration.
  void setIp4Config(const QString& activePath, const QString& address, const QString& gateway);
  void setActiveState(const QString& activePath, quint32 state);
  // The active connections' paths.
  QStringList activeConnections();
  // How often the method of the object was called (ActivateConnection,
  // DeactivateConnection of the manager; GetManagedObjects of /org/freedesktop).
  int calls(const QString& method, const QString& path = QStringLiteral("/org/freedesktop/NetworkManager"));
  // Stops the mock from answering, or lets it answer again.
  void freeze(bool frozen);

 private:
  QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                    const QVariantList& arguments);

  QProcess m_daemon;
  QProcess m_mock;
  QString m_address;
  QByteArray m_previousAddress;
  bool m_hadAddress = false;
  QString m_connectionName;
  bool m_valid = false;
};
