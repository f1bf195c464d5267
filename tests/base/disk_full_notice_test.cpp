#include "base/disk_full_notice.h"
#include "support/full_disk.h"
#include "support/temp_home.h"

#include <QDir>

#include <cerrno>

#include <gtest/gtest.h>

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

TEST(DiskFullNotice, TellsEachOutageOnceAndNothingElse) {
  DiskFullNotice notice(QStringLiteral("snapshots"));
  const QString told = "The disk holding /srv/Images is full: snapshots are not being saved.";
  CaptureStderr();
  EXPECT_FALSE(notice.failed("/srv/Images", EACCES));  // not a full disk: the caller reports it
  EXPECT_EQ(notice.text(), "");
  EXPECT_TRUE(notice.failed("/srv/Images", ENOSPC));
  EXPECT_TRUE(notice.failed("/srv/Images", EDQUOT));
  EXPECT_EQ(notice.text(), told);
  EXPECT_EQ(GetCapturedStderr(), told.toStdString() + "\n");

  CaptureStderr();
  EXPECT_TRUE(notice.saved());
  EXPECT_EQ(notice.text(), "");
  EXPECT_FALSE(notice.saved());  // no outage to end
  EXPECT_TRUE(notice.failed("/srv/Images", ENOSPC));
  EXPECT_EQ(GetCapturedStderr(), told.toStdString() + "\n");
}

// Without an error number the free space of the folder's disk decides, also for a
// folder that could not be made there.
TEST(DiskFullNotice, WithoutAnErrorNumberAsksTheDisk) {
  TempHome home;
  FullDisk disk(home.path());
  if (!disk.mounted())
    GTEST_SKIP() << disk.skipReason().toStdString();
  DiskFullNotice notice(QStringLiteral("event log entries"));
  EXPECT_FALSE(notice.failed(home.path(), 0));
  disk.fill();
  CaptureStderr();
  EXPECT_TRUE(notice.failed(home.path(), 0));
  EXPECT_TRUE(notice.failed(home.file("2026-12-08/missing"), 0));
  GetCapturedStderr();
  disk.free();
  EXPECT_FALSE(DiskFullNotice(QStringLiteral("snapshots")).failed(home.path(), 0));
}

}  // namespace
