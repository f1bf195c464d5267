#include "delivery/server_address.h"

#include <gtest/gtest.h>

TEST(ServerAddress, ParsesHostPortAndBracketedLiterals) {
  struct Case {
    const char* text;
    const char* host;
    quint16 port;
  };
  const Case cases[] = {
      {"mail.example.org", "mail.example.org", 25},
      {"mail.example.org:465", "mail.example.org", 465},
      {" 127.0.0.1:2525 ", "127.0.0.1", 2525},
      {"[::1]:2121", "::1", 2121},
      {"[fe80::1]", "fe80::1", 25},
      {"fe80::1", "fe80::1", 25},
  };
  for (const Case& c : cases) {
    const auto address = ServerAddress::parse(QString::fromUtf8(c.text), 25);
    ASSERT_TRUE(address.has_value()) << c.text;
    EXPECT_EQ(address->host, QString::fromUtf8(c.host)) << c.text;
    EXPECT_EQ(address->port, c.port) << c.text;
  }
}

TEST(ServerAddress, RejectsWhatCannotNameAServer) {
  for (const char* text : {"", "   ", "host:", "host:0", "host:65536", "host:abc", ":25", "[::1", "[::1]x",
                           "[]:25", "host\r\nMAIL FROM:<x>", "host\n"}) {
    EXPECT_FALSE(ServerAddress::parse(QString::fromUtf8(text), 21).has_value()) << text;
  }
}
