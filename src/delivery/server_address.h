#pragma once

#include <QString>

#include <optional>

// A server named in the settings as "host", "host:port" or "[v6-literal]:port".
struct ServerAddress {
  QString host;
  quint16 port = 0;

  // Nothing when the text is empty, holds a CR or LF, or names a port that is not
  // 1 to 65535. Without a port, `defaultPort` is taken.
  static std::optional<ServerAddress> parse(const QString& text, quint16 defaultPort);
};
