#include "support/network_manager_mock.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

#include <signal.h>

namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kMockInterface = QStringLiteral("org.freedesktop.DBus.Mock");
const QString kManager = QStringLiteral("/org/freedesktop/NetworkManager");
constexpr int kStartMs = 30000;

// One method of an object added to the mock: name, in and out signatures, Python code.
struct MockMethod {
  QString name, in, out, code;
};

QDBusArgument& operator<<(QDBusArgument& argument, const MockMethod& method) {
  argument.beginStructure();
  argument << method.name << method.in << method.out << method.code;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, MockMethod& method) {
  argument.beginStructure();
  argument >> method.name >> method.in >> method.out >> method.code;
  argument.endStructure();
  return argument;
}

}  // namespace

Q_DECLARE_METATYPE(MockMethod)

NetworkManagerMock::NetworkManagerMock()
    : m_previousAddress(qgetenv("DBUS_SYSTEM_BUS_ADDRESS")),
      m_hadAddress(qEnvironmentVariableIsSet("DBUS_SYSTEM_BUS_ADDRESS")) {
  qDBusRegisterMetaType<QMap<QString, QVariantMap>>();
  qDBusRegisterMetaType<MockMethod>();
  qDBusRegisterMetaType<QList<MockMethod>>();
  m_daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                 QStringLiteral("--print-address=1")});
  if (!m_daemon.waitForStarted(kStartMs)) {
    ADD_FAILURE() << "cannot start dbus-daemon";
    return;
  }
  while (!m_daemon.canReadLine() && m_daemon.state() == QProcess::Running)
    m_daemon.waitForReadyRead(kStartMs);
  m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
  if (m_address.isEmpty()) {
    ADD_FAILURE() << "dbus-daemon gave no address";
    return;
  }
  qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_address.toUtf8());

  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_address);
  m_mock.setProcessEnvironment(environment);
  m_mock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  m_mock.setStandardOutputFile(QProcess::nullDevice());
  m_mock.start(QStringLiteral("/usr/bin/python3"),
               {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--system"),
                QStringLiteral("--template"), QStringLiteral("networkmanager")});
  if (!m_mock.waitForStarted(kStartMs)) {
    ADD_FAILURE() << "cannot start python3 -m dbusmock";
    return;
  }
  static std::atomic<int> count = 0;
  m_connectionName = QStringLiteral("network-manager-mock-%1").arg(++count);
  QDBusConnection bus = QDBusConnection::connectToBus(m_address, m_connectionName);
  QElapsedTimer waited;
  waited.start();
  while (!bus.interface()->isServiceRegistered(kService) && waited.elapsed() < kStartMs &&
         m_mock.state() == QProcess::Running)
    QThread::msleep(20);  // another process: nothing to await but its name
  if (!bus.interface()->isServiceRegistered(kService)) {
    ADD_FAILURE() << "the NetworkManager mock did not come up";
    return;
  }
  m_valid = call(QStringLiteral("/org/freedesktop"), kMockInterface, QStringLiteral("AddEthernetDevice"),
                 {QStringLiteral("eth0"), QStringLiteral("eth0"), 30})
                .type() == QDBusMessage::ReplyMessage;
}

NetworkManagerMock::~NetworkManagerMock() {
  if (!m_connectionName.isEmpty())
    QDBusConnection::disconnectFromBus(m_connectionName);
  for (QProcess* process : {&m_mock, &m_daemon}) {
    process->kill();
    process->waitForFinished(kStartMs);
  }
  if (m_hadAddress)
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_previousAddress);
  else
    qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

QDBusMessage NetworkManagerMock::call(const QString& path, const QString& interface, const QString& method,
                                      const QVariantList& arguments) {
  QDBusMessage request = QDBusMessage::createMethodCall(kService, path, interface, method);
  request.setArguments(arguments);
  const QDBusMessage reply = QDBusConnection(m_connectionName).call(request, QDBus::Block, kStartMs);
  EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
      << method.toStdString() << ": " << reply.errorMessage().toStdString();
  return reply;
}

QString NetworkManagerMock::addProfile(const QString& id, const QString& type, const QString& uuid,
                                       const QMap<QString, QVariantMap>& sections) {
  QMap<QString, QVariantMap> settings = sections;
  settings[QStringLiteral("connection")].insert(
      {{QStringLiteral("id"), id}, {QStringLiteral("type"), type}, {QStringLiteral("uuid"), uuid}});
  const QDBusMessage reply =
      call(kManager + QStringLiteral("/Settings"), kService + QStringLiteral(".Settings"),
           QStringLiteral("AddConnection"), {QVariant::fromValue(settings)});
  return reply.arguments().value(0).value<QDBusObjectPath>().path();
}

void NetworkManagerMock::addUnreadableProfile(const QString& path) {
  const QList<MockMethod> methods{
      {QStringLiteral("GetSettings"), QString(), QStringLiteral("a{sa{sv}}"),
       QStringLiteral("raise dbus.exceptions.DBusException('not allowed', "
                      "name='org.freedesktop.NetworkManager.Settings.PermissionDenied')")}};
  call(
      QStringLiteral("/org/freedesktop"), kMockInterface, QStringLiteral("AddObject"),
      {path, kService + QStringLiteral(".Settings.Connection"), QVariantMap{}, QVariant::fromValue(methods)});
}

QString NetworkManagerMock::activate(const QString& profilePath, bool activating) {
  if (!activating) {
    const QDBusMessage reply =
        call(kManager, kService, QStringLiteral("ActivateConnection"),
             {QVariant::fromValue(QDBusObjectPath(profilePath)), QVariant::fromValue(QDBusObjectPath("/")),
              QVariant::fromValue(QDBusObjectPath("/"))});
    return reply.arguments().value(0).value<QDBusObjectPath>().path();
  }
  static std::atomic<int> count = 0;
  const QDBusMessage reply =
      call(QStringLiteral("/org/freedesktop"), kMockInterface, QStringLiteral("AddActiveConnection"),
           {QStringList{kManager + QStringLiteral("/Devices/eth0")}, profilePath, QStringLiteral("/"),
            QStringLiteral("outside%1").arg(++count), 1u});
  return reply.arguments().value(0).toString();
}

void NetworkManagerMock::setIp4Config(const QString& activePath, const QString& address,
                                      const QString& gateway) {
  const QString path = activePath + QStringLiteral("/IP4");
  const QVariantMap addressData{{QStringLiteral("address"), address}, {QStringLiteral("prefix"), 32u}};
  QDBusArgument list;
  list.beginArray(QMetaType::fromType<QVariantMap>());
  list << addressData;
  list.endArray();
  call(QStringLiteral("/org/freedesktop"), kMockInterface, QStringLiteral("AddObject"),
       {path, kService + QStringLiteral(".IP4Config"),
        QVariantMap{{QStringLiteral("AddressData"), QVariant::fromValue(list)},
                    {QStringLiteral("Gateway"), gateway}},
        QVariant::fromValue(QList<MockMethod>{})});
  call(activePath, kMockInterface, QStringLiteral("AddProperty"),
       {kService + QStringLiteral(".Connection.Active"), QStringLiteral("Ip4Config"),
        QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusObjectPath(path))))});
}

void NetworkManagerMock::setActiveState(const QString& activePath, quint32 state) {
  call(QStringLiteral("/org/freedesktop"), kMockInterface, QStringLiteral("SetProperty"),
       {activePath, kService + QStringLiteral(".Connection.Active"), QStringLiteral("State"),
        QVariant::fromValue(QDBusVariant(state))});
}

QStringList NetworkManagerMock::activeConnections() {
  const QDBusMessage reply = call(kManager, QStringLiteral("org.freedesktop.DBus.Properties"),
                                  QStringLiteral("Get"), {kService, QStringLiteral("ActiveConnections")});
  QStringList paths;
  const QDBusArgument list =
      reply.arguments().value(0).value<QDBusVariant>().variant().value<QDBusArgument>();
  list.beginArray();
  while (!list.atEnd()) {
    QDBusObjectPath path;
    list >> path;
    paths.append(path.path());
  }
  list.endArray();
  return paths;
}

void NetworkManagerMock::freeze(bool frozen) {
  ::kill(static_cast<pid_t>(m_mock.processId()), frozen ? SIGSTOP : SIGCONT);
}

int NetworkManagerMock::calls(const QString& method, const QString& path) {
  const QDBusMessage reply = call(path, kMockInterface, QStringLiteral("GetMethodCalls"), {method});
  const QDBusArgument list = reply.arguments().value(0).value<QDBusArgument>();
  int count = 0;
  list.beginArray();
  while (!list.atEnd()) {
    qulonglong time = 0;
    QVariantList arguments;
    list.beginStructure();
    list >> time >> arguments;
    list.endStructure();
    ++count;
  }
  list.endArray();
  return count;
}
