#include "dialup/t_ras_manager.h"

#include "base/clock.h"
#include "dialup/network_manager_bus.h"

#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>

#include <vector>

namespace {

using State = NetworkManagerBus::State;

QString stateText(quint32 state) {
  switch (state) {
    case State::Activating: return QStringLiteral("Activating");
    case State::Activated: return QStringLiteral("Activated");
    case State::Deactivating: return QStringLiteral("Deactivating");
    case State::Deactivated: return QStringLiteral("Deactivated");
    default: return QStringLiteral("Unknown");
  }
}

TRasEntry entryOf(const NetworkManagerBus::Profile& profile, const QDateTime& now) {
  TRasEntry entry;
  entry.EntryName = profile.id;
  entry.Uuid = profile.uuid;
  entry.ProfilePath = profile.path;
  entry.DeviceType = profile.type;
  entry.DeviceName = profile.interfaceName;
  entry.PhoneNumber = profile.phoneNumber;
  entry.StateTime = now;
  return entry;
}

}  // namespace

TRasManager::TRasManager(const Clock& clock, QObject* parent)
    : TRasManager(clock, NetworkManagerBus::systemBusAddress(), parent) {}

TRasManager::TRasManager(const Clock& clock, const QString& busAddress, QObject* parent)
    : QObject(parent),
      PollTimer(new QTimer(this)),
      m_clock(clock),
      m_bus(std::make_unique<NetworkManagerBus>(busAddress)) {
  const QDateTime now = clock.now();
  for (const NetworkManagerBus::Profile& profile : m_bus->dialUpProfiles())
    Entries.add(entryOf(profile, now));
  Refresh();
  PollTimer->setInterval(1000);
  connect(PollTimer, &QTimer::timeout, this, &TRasManager::Refresh);
}

TRasManager::~TRasManager() = default;

int TRasManager::entryCount() const {
  const std::lock_guard lock(m_mutex);
  return Entries.count();
}

QString TRasManager::entryName(int index) const { return entry(index).EntryName; }

bool TRasManager::isConnected(int index) const {
  const std::lock_guard lock(m_mutex);
  return Entries.at(index).Connected;
}

TRasEntry TRasManager::entry(int index) const {
  const std::lock_guard lock(m_mutex);
  return Entries.at(index);
}

void TRasManager::dial(int index) {
  QString profilePath;
  {
    const std::lock_guard lock(m_mutex);
    TRasEntry& entry = Entries.at(index);
    if (entry.Connected || entry.Activating || entry.Request != TRasEntry::DialRequest::None)
      return;
    entry.Request = TRasEntry::DialRequest::Sent;
    profilePath = entry.ProfilePath;
  }
  QMetaObject::invokeMethod(this, [this, index, profilePath] { startActivation(index, profilePath); });
}

void TRasManager::startActivation(int index, const QString& profilePath) {
  auto* answer = new QDBusPendingCallWatcher(m_bus->activate(profilePath), this);
  connect(answer, &QDBusPendingCallWatcher::finished, this, [this, index](QDBusPendingCallWatcher* call) {
    call->deleteLater();
    const QDBusPendingReply<QDBusObjectPath> reply = *call;
    if (reply.isError())
      activationAnswered(index, {}, reply.error().message());
    else
      activationAnswered(index, reply.value().path(), {});
  });
}

// The active connection's path serves as the handle until Refresh sees it; a
// hang-up asked for meanwhile is done now.
void TRasManager::activationAnswered(int index, const QString& activePath, const QString& error) {
  bool hangUpNow = false;
  {
    const std::lock_guard lock(m_mutex);
    TRasEntry& entry = Entries.at(index);
    if (activePath.isEmpty()) {
      entry.Request = TRasEntry::DialRequest::None;
    } else {
      entry.Request = TRasEntry::DialRequest::Answered;
      if (entry.ConnHandle.isEmpty())
        entry.ConnHandle = activePath;
      hangUpNow = entry.HangUpWanted;
    }
    entry.HangUpWanted = false;
  }
  if (hangUpNow)
    m_bus->deactivate(activePath);
  if (!error.isEmpty())
    emit OnConnecting(this, index, error, State::Deactivated, 1);
}

void TRasManager::hangUp(int index) {
  QString handle;
  {
    const std::lock_guard lock(m_mutex);
    TRasEntry& entry = Entries.at(index);
    handle = entry.ConnHandle;
    if (handle.isEmpty() && entry.Request == TRasEntry::DialRequest::Sent)
      entry.HangUpWanted = true;
  }
  if (!handle.isEmpty())
    QMetaObject::invokeMethod(this, [this, handle] { m_bus->deactivate(handle); });
}

void TRasManager::StartMonitoring() {
  std::vector<TRasEntry> connected;
  {
    const std::lock_guard lock(m_mutex);
    for (int i = 0; i < Entries.count(); ++i) {
      if (Entries.at(i).Connected)
        connected.push_back(Entries.at(i));
    }
  }
  for (const TRasEntry& entry : connected) emit OnConnect(this, entry);
  PollTimer->start();
}

void TRasManager::Refresh() {
  if (entryCount() == 0)
    return;
  const std::optional<QList<NetworkManagerBus::Active>> active = m_bus->activeConnections();
  if (!active)
    return;
  struct Change {
    int index;
    TRasEntry entry;
    bool connectedChanged;
    bool stateChanged;
  };
  std::vector<Change> changes;
  {
    const std::lock_guard lock(m_mutex);
    const QDateTime now = m_clock.now();
    for (int i = 0; i < Entries.count(); ++i) {
      TRasEntry& entry = Entries.at(i);
      const auto found =
          std::find_if(active->begin(), active->end(),
                       [&entry](const NetworkManagerBus::Active& a) { return a.uuid == entry.Uuid; });
      const bool present = found != active->end();
      const quint32 state = present ? found->state : 0;
      const bool up = state == State::Activated;
      const bool stateChanged = state != entry.ActiveState;
      entry.ActiveState = state;
      entry.Activating = state == State::Activating;
      entry.ConnHandle = present ? found->path : QString();
      // A dial is over once its connection was seen; one still unanswered is not.
      if (present || entry.Request == TRasEntry::DialRequest::Answered)
        entry.Request = TRasEntry::DialRequest::None;
      if (up) {
        entry.IPAddress = found->address.isEmpty() ? QStringLiteral("0.0.0.0") : found->address;
        entry.ServerIPAddress = found->gateway.isEmpty() ? QStringLiteral("0.0.0.0") : found->gateway;
      }
      const bool connectedChanged = up != entry.Connected;
      if (connectedChanged) {
        entry.Connected = up;
        entry.StateTime = now;
        if (!up) {
          entry.DeviceName.clear();
          entry.DeviceType.clear();
          entry.IPAddress = entry.ServerIPAddress = QStringLiteral("0.0.0.0");
        }
      }
      if (connectedChanged || stateChanged)
        changes.push_back({i, entry, connectedChanged, stateChanged});
    }
  }
  // Raised outside the lock, so that a handler may ask the manager again.
  for (const Change& change : changes) {
    if (change.stateChanged)
      emit OnConnecting(this, change.index, stateText(change.entry.ActiveState), change.entry.ActiveState, 0);
    if (change.connectedChanged && change.entry.Connected)
      emit OnConnect(this, change.entry);
    else if (change.connectedChanged)
      emit OnDisconnect(this, change.entry);
  }
}
