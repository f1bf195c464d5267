#include "common/field_checks.h"

#include "delivery/server_address.h"

#include <QHostAddress>
#include <QRegularExpression>

namespace FieldChecks {

namespace {

bool hasLineBreak(const QString& text) { return text.contains(u'\r') || text.contains(u'\n'); }

}  // namespace

// RFC 1123 labels: letters, digits and inner hyphens, at most 63 each, 253 in all.
bool isHostName(const QString& host) {
  if (!QHostAddress(host).isNull())
    return true;
  const QRegularExpression kLabels(
      QStringLiteral("^(?=.{1,253}\\.?$)[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?(\\.[A-Za-z0-9]([A-Za-z0-"
                     "9-]{0,61}[A-Za-z0-9])?)*\\.?$"));
  return kLabels.match(host).hasMatch();
}

QString singleLine(const QString& text) {
  return hasLineBreak(text) ? QStringLiteral("This cannot hold a line break.") : QString();
}

QString server(const QString& text) {
  if (hasLineBreak(text))
    return singleLine(text);
  if (text.trimmed().isEmpty())
    return QStringLiteral("Enter the server's name.");
  const std::optional<ServerAddress> address = ServerAddress::parse(text.trimmed(), 1);
  if (!address)
    return QStringLiteral("Write the server as name or name:port, with a port from 1 to 65535.");
  if (!isHostName(address->host))
    return QStringLiteral("\"%1\" is not a server name or address.").arg(address->host);
  return {};
}

QString mailAddress(const QString& text, Presence presence) {
  if (hasLineBreak(text))
    return singleLine(text);
  const QString address = text.trimmed();
  if (address.isEmpty())
    return presence == Presence::Optional ? QString() : QStringLiteral("Enter an e-mail address.");
  const QRegularExpression kAddress(QStringLiteral("^([^@\\s<>(),;:\"\\[\\]]+)@([^@\\s]+)$"));
  const QRegularExpressionMatch match = kAddress.match(address);
  if (!match.hasMatch() || !isHostName(match.captured(2)))
    return QStringLiteral("\"%1\" is not an e-mail address like name@example.org.").arg(address);
  return {};
}

QString port(const QString& text, Presence presence) {
  if (text.trimmed().isEmpty())
    return presence == Presence::Optional ? QString() : QStringLiteral("Enter a port.");
  bool isNumber = false;
  const int value = text.trimmed().toInt(&isNumber);
  return isNumber && value >= 1 && value <= 65535 ? QString()
                                                  : QStringLiteral("A port is a number from 1 to 65535.");
}

}  // namespace FieldChecks
