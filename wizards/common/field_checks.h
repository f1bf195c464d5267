#pragma once

#include <QString>

// Checks of what a user typed into a wizard field. Each returns what is wrong in words
// for the message beside the field, or an empty text when the field is fine.
namespace FieldChecks {

// A server as "name", "name:port" or "[IPv6]:port"; the name a host name or an address.
QString server(const QString& text);
// A mail address "local@domain"; an empty one is fine when optional.
enum class Presence { Required, Optional };
QString mailAddress(const QString& text, Presence presence);
// Any single-line value: no CR or LF.
QString singleLine(const QString& text);
// A TCP port 1 to 65535; empty is fine when optional.
QString port(const QString& text, Presence presence);

bool isHostName(const QString& host);

}  // namespace FieldChecks
