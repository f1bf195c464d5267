#pragma once

#include <QString>

#include <mutex>

class DialUpBinding;

// How the program reaches the Internet, as chosen in the connection dialog.
enum class ConnectionKind : qint32 { NoInternet = 0, DialUp = 1, Lan = 2 };

// The stored choice: "Connection" and "DailNum" of the application key.
struct ConnectionSetup {
  // "Connection"; LAN when absent, so that a machine whose connection dialog was
  // never used still delivers.
  qint32 connectionType = static_cast<qint32>(ConnectionKind::Lan);
  // "DailNum", the dial entry's index; -1 when absent.
  qint32 dailNum = -1;

  // Reads both from the settings file; a value that is absent or not a number keeps
  // its default.
  static ConnectionSetup read(const QString& settingsFile);
};

// The delivery workers' shared use of one dial-up connection: the first user dials,
// the last one hangs up, and a connection the program did not dial is never hung up.
// A connection that is up when the use is made counts as one user from the start.
// Safe to call from several threads: one lock guards the count and the binding.
class ConnectionUse {
 public:
  ConnectionUse(DialUpBinding& binding, ConnectionSetup setup);

  qint32 ConnectionType() const { return m_setup.connectionType; }
  qint32 DailNum() const { return m_setup.dailNum; }

  // Counts one more user and dials entry DailNum unless it is up. Throws the
  // binding's error for a DailNum outside the list; nothing is counted then.
  void AcquireConnection();
  // Counts one user less, never below zero; the last one hangs up the entry when
  // this program dialled it. Errors of the binding are ignored.
  void ReleaseConnection();
  // Throws the binding's error for an index outside the list.
  bool IsConnected(qint32 index) const;

  int userCount() const;

 private:
  DialUpBinding& m_binding;
  const ConnectionSetup m_setup;
  mutable std::mutex m_mutex;
  int m_users = 0;
  bool m_dialled = false;  // this program brought the entry up
};
