#include "delivery/server_address.h"

std::optional<ServerAddress> ServerAddress::parse(const QString& text, quint16 defaultPort) {
  if (text.contains(u'\r') || text.contains(u'\n'))
    return std::nullopt;
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty())
    return std::nullopt;

  QString host = trimmed;
  QString port;
  if (trimmed.startsWith(u'[')) {
    const qsizetype close = trimmed.indexOf(u']');
    if (close < 0)
      return std::nullopt;
    host = trimmed.mid(1, close - 1);
    const QString rest = trimmed.mid(close + 1);
    if (!rest.isEmpty()) {
      if (!rest.startsWith(u':'))
        return std::nullopt;
      port = rest.mid(1);
    }
  } else if (trimmed.count(u':') == 1) {
    const qsizetype colon = trimmed.indexOf(u':');
    host = trimmed.left(colon);
    port = trimmed.mid(colon + 1);
  }
  // More than one colon without brackets is a bare IPv6 literal.
  if (host.isEmpty())
    return std::nullopt;

  if (port.isNull())
    return ServerAddress{host, defaultPort};
  bool ok = false;
  const uint number = port.toUInt(&ok);
  if (!ok || number == 0 || number > 65535)
    return std::nullopt;
  return ServerAddress{host, static_cast<quint16>(number)};
}
