#pragma once

#include <QDateTime>
#include <QString>

// One dial-up phonebook entry: a NetworkManager connection profile of a dial-up
// kind (gsm, cdma, pppoe, bluetooth dial-up) and the state of its connection as
// last seen.
struct TRasEntry {
  // What the manager itself keeps about a dial it asked for.
  enum class DialRequest { None, Sent, Answered };

  // The active connection's object path; empty when the profile has none.
  QString ConnHandle;
  // The profile's interface name and kind (gsm, cdma, pppoe, bluetooth).
  QString DeviceName;
  QString DeviceType;
  // The profile's id, as the user named it.
  QString EntryName;
  // From the active connection's IPv4 configuration (address, gateway).
  QString IPAddress = QStringLiteral("0.0.0.0");
  QString ServerIPAddress = QStringLiteral("0.0.0.0");
  // The active connection is activated.
  bool Connected = false;
  // Time of the last change of Connected.
  QDateTime StateTime;
  // From the gsm or cdma settings.
  QString PhoneNumber;
  QString AreaCode;
  qint32 CountryCode = 0;

  // The profile's identity, its settings object and the state of its active
  // connection (NetworkManager's numbers; 0 when it has none).
  QString Uuid;
  QString ProfilePath;
  quint32 ActiveState = 0;
  // A dial is in progress: the active connection is activating.
  bool Activating = false;
  DialRequest Request = DialRequest::None;
  // A hang-up came while the dial's answer was outstanding.
  bool HangUpWanted = false;
};
