#include "dialup/network_manager_bus.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingReply>
#include <QMap>
#include <QVariantMap>

#include <atomic>

namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kActiveInterface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString kProfileInterface = QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");
const QString kIp4Interface = QStringLiteral("org.freedesktop.NetworkManager.IP4Config");
// NetworkManager answers in milliseconds; a second means it is not answering.
constexpr int kTimeoutMs = 1000;
// Activation answers once the activation has started, which may take longer.
constexpr int kActivateTimeoutMs = 25000;

using Interfaces = QMap<QString, QVariantMap>;  // a{sa{sv}}
using Objects = QMap<QString, Interfaces>;      // a{oa{sa{sv}}}

QDBusMessage managerCall(const QString& path, const QString& interface, const QString& method) {
  QDBusMessage call = QDBusMessage::createMethodCall(kService, path, interface, method);
  // A NetworkManager that is not running is not started by asking it.
  call.setAutoStartService(false);
  return call;
}

// The reply's one argument when it has the signature; none otherwise (an error,
// or something that is not NetworkManager).
std::optional<QDBusArgument> replyArgument(const QDBusMessage& reply, const char* signature) {
  if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String(signature) ||
      reply.arguments().size() != 1)
    return std::nullopt;
  return reply.arguments().first().value<QDBusArgument>();
}

QString text(const QVariantMap& values, const QString& name) {
  const QVariant value = values.value(name);
  return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

QString objectPath(const QVariantMap& values, const QString& name) {
  const QVariant value = values.value(name);
  return value.canConvert<QDBusObjectPath>() ? value.value<QDBusObjectPath>().path() : QString();
}

// The first "address" of an aa{sv} list such as IP4Config.AddressData.
QString firstAddress(const QVariant& value) {
  if (!value.canConvert<QDBusArgument>())
    return {};
  const QDBusArgument list = value.value<QDBusArgument>();
  if (list.currentSignature() != QLatin1String("aa{sv}"))
    return {};
  QString address;
  list.beginArray();
  while (!list.atEnd()) {
    QVariantMap entry;
    list >> entry;
    if (address.isEmpty())
      address = text(entry, QStringLiteral("address"));
  }
  list.endArray();
  return address;
}

std::optional<Objects> managedObjects(QDBusConnection& bus) {
  if (!bus.isConnected())
    return std::nullopt;
  const QDBusMessage reply = bus.call(
      managerCall(QStringLiteral("/org/freedesktop"), QStringLiteral("org.freedesktop.DBus.ObjectManager"),
                  QStringLiteral("GetManagedObjects")),
      QDBus::Block, kTimeoutMs);
  const std::optional<QDBusArgument> argument = replyArgument(reply, "a{oa{sa{sv}}}");
  if (!argument)
    return std::nullopt;
  Objects objects;
  argument->beginMap();
  while (!argument->atEnd()) {
    QDBusObjectPath path;
    Interfaces interfaces;
    argument->beginMapEntry();
    *argument >> path >> interfaces;
    argument->endMapEntry();
    objects.insert(path.path(), interfaces);
  }
  argument->endMap();
  return objects;
}

// The profile of a dial-up kind in the settings; none for any other kind, or when
// it cannot be named.
std::optional<NetworkManagerBus::Profile> dialUpProfile(const QString& path, const Interfaces& settings) {
  const QVariantMap connection = settings.value(QStringLiteral("connection"));
  NetworkManagerBus::Profile profile{path,
                                     text(connection, QStringLiteral("uuid")),
                                     text(connection, QStringLiteral("id")),
                                     text(connection, QStringLiteral("type")),
                                     text(connection, QStringLiteral("interface-name")),
                                     {}};
  const bool modem = profile.type == QLatin1String("gsm") || profile.type == QLatin1String("cdma");
  const bool dialUpNetworking =
      profile.type == QLatin1String("bluetooth") &&
      text(settings.value(QStringLiteral("bluetooth")), QStringLiteral("type")) == QLatin1String("dun");
  if (profile.id.isEmpty() || !(modem || dialUpNetworking || profile.type == QLatin1String("pppoe")))
    return std::nullopt;
  if (modem)
    profile.phoneNumber = text(settings.value(profile.type), QStringLiteral("number"));
  return profile;
}

}  // namespace

QString NetworkManagerBus::systemBusAddress() {
  const QString address = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
  return address.isEmpty() ? QStringLiteral("unix:path=/run/dbus/system_bus_socket") : address;
}

NetworkManagerBus::NetworkManagerBus(const QString& address)
    : m_bus(QDBusConnection::connectToBus(address, [] {
        static std::atomic<int> count = 0;
        return QStringLiteral("quorvex-network-manager-%1").arg(++count);
      }())) {}

NetworkManagerBus::~NetworkManagerBus() {
  for (QDBusPendingCall& call : m_deactivations) call.waitForFinished();
  QDBusConnection::disconnectFromBus(m_bus.name());
}

QList<NetworkManagerBus::Profile> NetworkManagerBus::dialUpProfiles() {
  const std::optional<Objects> objects = managedObjects(m_bus);
  if (!objects)
    return {};
  // All asked at once, so that the wait is one time-out at most.
  std::vector<std::pair<QString, QDBusPendingCall>> requests;
  for (auto object = objects->begin(); object != objects->end(); ++object) {
    if (object->contains(kProfileInterface))
      requests.emplace_back(object.key(), m_bus.asyncCall(managerCall(object.key(), kProfileInterface,
                                                                      QStringLiteral("GetSettings")),
                                                          kTimeoutMs));
  }
  QList<Profile> profiles;
  for (auto& [path, request] : requests) {
    request.waitForFinished();
    const std::optional<QDBusArgument> argument = replyArgument(request.reply(), "a{sa{sv}}");
    if (!argument)
      continue;
    Interfaces settings;
    *argument >> settings;
    if (const std::optional<Profile> profile = dialUpProfile(path, settings))
      profiles.append(*profile);
  }
  return profiles;
}

std::optional<QList<NetworkManagerBus::Active>> NetworkManagerBus::activeConnections() {
  const std::optional<Objects> objects = managedObjects(m_bus);
  if (!objects)
    return std::nullopt;
  QList<Active> active;
  for (auto object = objects->begin(); object != objects->end(); ++object) {
    if (!object->contains(kActiveInterface))
      continue;
    const QVariantMap properties = object->value(kActiveInterface);
    const QVariantMap ip4 =
        objects->value(objectPath(properties, QStringLiteral("Ip4Config"))).value(kIp4Interface);
    active.append({object.key(), text(properties, QStringLiteral("Uuid")),
                   properties.value(QStringLiteral("State")).toUInt(),
                   firstAddress(ip4.value(QStringLiteral("AddressData"))),
                   text(ip4, QStringLiteral("Gateway"))});
  }
  return active;
}

QDBusPendingCall NetworkManagerBus::activate(const QString& profilePath) {
  QDBusMessage call = managerCall(kManagerPath, kService, QStringLiteral("ActivateConnection"));
  call << QVariant::fromValue(QDBusObjectPath(profilePath)) << QVariant::fromValue(QDBusObjectPath("/"))
       << QVariant::fromValue(QDBusObjectPath("/"));
  return m_bus.asyncCall(call, kActivateTimeoutMs);
}

void NetworkManagerBus::deactivate(const QString& activePath) {
  QDBusMessage call = managerCall(kManagerPath, kService, QStringLiteral("DeactivateConnection"));
  call << QVariant::fromValue(QDBusObjectPath(activePath));
  std::erase_if(m_deactivations, [](const QDBusPendingCall& earlier) { return earlier.isFinished(); });
  m_deactivations.push_back(m_bus.asyncCall(call, kTimeoutMs));
}
