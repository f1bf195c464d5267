#include "dialup/connection_use.h"

#include "base/error.h"
#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "dialup/dial_up_binding.h"

ConnectionSetup ConnectionSetup::read(const QString& settingsFile) {
  ConnectionSetup setup;
  SettingsStore settings(settingsFile);
  if (!settings.OpenKey(applicationKey(), false))
    return setup;
  const auto readInto = [&settings](const QString& name, qint32& value) {
    try {
      if (settings.ValueExists(name))
        value = settings.ReadInteger(name);
    } catch (const Error&) {
      // a text where a number belongs: the default stays
    }
  };
  readInto(QStringLiteral("Connection"), setup.connectionType);
  readInto(QStringLiteral("DailNum"), setup.dailNum);
  return setup;
}

// A connection that is up at the start has a user outside the program, who never
// releases it: the program never hangs it up.
ConnectionUse::ConnectionUse(DialUpBinding& binding, ConnectionSetup setup)
    : m_binding(binding), m_setup(setup) {
  try {
    if (m_setup.dailNum >= 0 && m_setup.dailNum < m_binding.entryCount() &&
        m_binding.isConnected(m_setup.dailNum))
      m_users = 1;
  } catch (const Error&) {
  }
}

void ConnectionUse::AcquireConnection() {
  const std::lock_guard lock(m_mutex);
  const bool connected = m_binding.isConnected(m_setup.dailNum);  // throws for a bad index
  ++m_users;
  // A dial already under way is awaited rather than started again.
  if (!connected && !m_dialled) {
    m_binding.dial(m_setup.dailNum);
    m_dialled = true;
  }
}

void ConnectionUse::ReleaseConnection() {
  const std::lock_guard lock(m_mutex);
  if (m_users == 0)
    return;
  if (--m_users > 0 || !m_dialled)
    return;
  m_dialled = false;
  try {
    m_binding.hangUp(m_setup.dailNum);
  } catch (const Error&) {
  }
}

bool ConnectionUse::IsConnected(qint32 index) const {
  const std::lock_guard lock(m_mutex);
  return m_binding.isConnected(index);
}

int ConnectionUse::userCount() const {
  const std::lock_guard lock(m_mutex);
  return m_users;
}
