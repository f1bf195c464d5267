#include "app/autostart_entry.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(AutostartEntryTest, ExecLineQuotesPathsWithReservedCharacters) {
  QTemporaryDir config;
  const QByteArray previous = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  EXPECT_EQ(AutostartEntry::filePath(), config.path() + "/autostart/Quorvex.desktop");
  const std::pair<QString, QString> cases[] = {
      {"/usr/bin/quorvex", "Exec=/usr/bin/quorvex"},
      {"/opt/my apps/quorvex", "Exec=\"/opt/my apps/quorvex\""},
      {"/opt/a$b\"c/quorvex", "Exec=\"/opt/a\\\\$b\\\\\"c/quorvex\""},
  };
  for (const auto& [path, line] : cases) {
    AutostartEntry::write(path);
    ASSERT_TRUE(AutostartEntry::exists());
    QFile file(AutostartEntry::filePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(file.readAll()).split(u'\n').contains(line)) << line.toStdString();
  }
  AutostartEntry::remove();
  EXPECT_FALSE(AutostartEntry::exists());
  AutostartEntry::remove();  // removing what is not there is no error
  qputenv("XDG_CONFIG_HOME", previous);
}

}  // namespace
