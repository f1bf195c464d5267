#include "common/field_checks.h"

#include <gtest/gtest.h>

namespace {

using FieldChecks::Presence;

TEST(FieldChecks, ServersAreNamesOrAddressesWithAnOptionalPort) {
  const std::pair<const char*, bool> cases[] = {
      {"smtp.example.org", true},
      {"smtp.example.org:587", true},
      {"127.0.0.1:2525", true},
      {"[::1]:25", true},
      {"localhost", true},
      {"mail-1.example.org.", true},
      {"", false},
      {"   ", false},
      {"smtp example.org", false},
      {"smtp.example.org:0", false},
      {"smtp.example.org:70000", false},
      {"smtp.example.org:port", false},
      {"smtp://smtp.example.org", false},
      {"-smtp.example.org", false},
      {"smtp..example.org", false},
      {"me@smtp.example.org", false},
      {"smtp.example.org\r\nRCPT TO:<x@y>", false},
  };
  for (const auto& [text, fine] : cases)
    EXPECT_EQ(FieldChecks::server(QString::fromUtf8(text)).isEmpty(), fine) << text;
  EXPECT_EQ(FieldChecks::server("a.org\nb"), "This cannot hold a line break.");
  EXPECT_EQ(FieldChecks::server("a b"), "\"a b\" is not a server name or address.");
}

TEST(FieldChecks, MailAddressesNeedOneAtAndADomain) {
  const std::tuple<const char*, Presence, bool> cases[] = {
      {"cam@example.org", Presence::Required, true},
      {"first.last+cam@mail.example.org", Presence::Required, true},
      {"cam@localhost", Presence::Required, true},
      {"", Presence::Optional, true},
      {"", Presence::Required, false},
      {"cam", Presence::Required, false},
      {"cam@", Presence::Required, false},
      {"@example.org", Presence::Required, false},
      {"cam@@example.org", Presence::Required, false},
      {"cam @example.org", Presence::Required, false},
      {"Cam <cam@example.org>", Presence::Required, false},
      {"cam@exa mple.org", Presence::Required, false},
      {"cam@example.org\r\nBcc: x@y.org", Presence::Optional, false},
  };
  for (const auto& [text, presence, fine] : cases)
    EXPECT_EQ(FieldChecks::mailAddress(QString::fromUtf8(text), presence).isEmpty(), fine) << text;
}

TEST(FieldChecks, PortsAndSingleLines) {
  EXPECT_TRUE(FieldChecks::port("", Presence::Optional).isEmpty());
  EXPECT_FALSE(FieldChecks::port("", Presence::Required).isEmpty());
  EXPECT_TRUE(FieldChecks::port("8080", Presence::Optional).isEmpty());
  for (const char* bad : {"0", "65536", "80a", "-1"})
    EXPECT_EQ(FieldChecks::port(bad, Presence::Optional), "A port is a number from 1 to 65535.") << bad;
  EXPECT_TRUE(FieldChecks::singleLine("pass word").isEmpty());
  EXPECT_FALSE(FieldChecks::singleLine("pass\rword").isEmpty());
  EXPECT_FALSE(FieldChecks::singleLine("pass\nword").isEmpty());
}

}  // namespace
