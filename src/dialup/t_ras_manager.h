#pragma once

#include "dialup/dial_up_binding.h"
#include "dialup/t_ras_list.h"

#include <QObject>

#include <memory>
#include <mutex>

class Clock;
class NetworkManagerBus;
class QTimer;

// The dial-up phonebook: NetworkManager's dial-up connection profiles, listed and
// read once at creation in name order, their connection state kept current by
// Refresh (once a second after StartMonitoring), dialled and hung up
// asynchronously. OnConnect and OnDisconnect tell changes of the connected state,
// OnConnecting every change of an entry's active connection state and a dial that
// NetworkManager refused.
//
// The manager lives on the thread that creates it, which must run its event loop:
// all talk with NetworkManager happens there. The DialUpBinding operations
// (EntryCount, GetEntryName, IsConnected, Dial, HangUp) may be called from any
// thread; one lock guards the entries. Each throws
// Error("List index out of bounds (<index>)") for an index outside the list.
class TRasManager : public QObject, public DialUpBinding {
  Q_OBJECT

 public:
  // Talks with NetworkManager on the bus at `busAddress`.
  TRasManager(const Clock& clock, const QString& busAddress, QObject* parent = nullptr);
  // Also on the system bus, as NetworkManagerBus::systemBusAddress() names it.
  explicit TRasManager(const Clock& clock, QObject* parent = nullptr);
  ~TRasManager() override;

  int entryCount() const override;
  QString entryName(int index) const override;
  bool isConnected(int index) const override;
  // Asks NetworkManager to activate the entry's profile and returns at once;
  // nothing when it is connected or a dial of it is in progress.
  void dial(int index) override;
  // Asks NetworkManager to deactivate the entry's connection, also one still being
  // dialled, and returns at once; the next Refresh sees it gone.
  void hangUp(int index) override;

  // A copy of the entry as last seen.
  TRasEntry entry(int index) const;

  // Raises OnConnect for each entry that is connected, then polls.
  void StartMonitoring();
  // Reads the active connections and updates the entries, raising the events; an
  // unanswered request changes nothing. Does nothing without entries.
  void Refresh();

  QTimer* PollTimer;

 signals:
  void OnConnect(TRasManager* Sender, const TRasEntry& Connection);
  // `Msg` names the active connection's state (or says why a dial was refused),
  // `State` is NetworkManager's number of it, `Error` is 1 for a refused dial.
  void OnConnecting(TRasManager* Sender, int Index, const QString& Msg, quint32 State, quint32 Error);
  void OnDisconnect(TRasManager* Sender, const TRasEntry& Connection);

 private:
  void startActivation(int index, const QString& profilePath);
  void activationAnswered(int index, const QString& activePath, const QString& error);

  const Clock& m_clock;
  std::unique_ptr<NetworkManagerBus> m_bus;
  mutable std::mutex m_mutex;
  TRasList Entries;
};
