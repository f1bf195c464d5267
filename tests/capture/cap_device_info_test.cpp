#include "capture/cap_device_info.h"
#include "capture/video_source.h"

#include <gtest/gtest.h>

namespace {

QStringList names(const TCapDeviceList& list) {
  QStringList result;
  for (const TCapDeviceInfo& entry : list) result.append(entry.Name);
  return result;
}

// Leaves the system's devices in place for the next test.
struct SourcesGuard {
  ~SourcesGuard() {
    setVideoSources({});
    ClearAllDeviceLists();
  }
};

}  // namespace

TEST(CapDeviceInfo, NumbersRepeatedFriendlyNamesAndSkipsBlankOnes) {
  TCapDeviceList list;
  for (const char* name : {"Cam", "Other", "Cam", "   ", "", "\t\x01 ", "Cam", "cam", " Cam"})
    AddCapDevice(list, QString::fromLatin1(name), nullptr);
  EXPECT_EQ(names(list), QStringList({"Cam", "Other", "Cam (2)", "Cam (3)", "cam", " Cam"}));
  // The friendly name stays untrimmed and unnumbered.
  EXPECT_EQ(list[2].FriendlyName, "Cam");
  EXPECT_EQ(list[5].FriendlyName, " Cam");
}

TEST(CapDeviceInfo, FindsMonikersByExactName) {
  SourcesGuard guard;
  setVideoSources({{"Cam", "test:ball"}, {"Cam", "test:snow"}, {"Demo", "demo:"}});
  RefreshDeviceList(DeviceCategory::VideoInput, VideoDevices());
  ASSERT_EQ(names(VideoDevices()), QStringList({"Cam", "Cam (2)", "Demo"}));
  EXPECT_EQ(FindDeviceMoniker(VideoDevices(), "Cam (2)"), VideoDevices()[1].Moniker);
  EXPECT_NE(VideoDevices()[0].Moniker, VideoDevices()[1].Moniker);
  EXPECT_EQ(FindDeviceMoniker(VideoDevices(), "cam"), nullptr);
  EXPECT_EQ(FindDeviceMoniker(VideoDevices(), "Demo "), nullptr);
  EXPECT_EQ(FindDeviceMoniker(VideoDevices(), ""), nullptr);
}

TEST(CapDeviceInfo, SourcesReplaceTheSystemDevicesAndListsRefillAfterClearing) {
  SourcesGuard guard;
  setVideoSources({{"Room", "demo:"}, {"Bars", "test:smpte"}});
  EXPECT_EQ(GetVideoDeviceNames(true), QStringList({"Room", "Bars"}));
  // Without Refresh the filled list is kept...
  setVideoSources({{"Other", "demo:"}});
  EXPECT_EQ(GetVideoDeviceNames(false), QStringList({"Room", "Bars"}));
  // ...until something empties the lists.
  ClearAllDeviceLists();
  EXPECT_TRUE(VideoDevices().isEmpty());
  EXPECT_EQ(GetVideoDeviceNames(false), QStringList({"Other"}));
}

TEST(VideoSourceEntry, ParsesNameAndUri) {
  const VideoSourceEntry entry = VideoSourceEntry::parse("Front door=gst:videotestsrc pattern=ball");
  EXPECT_EQ(entry.name, "Front door");
  EXPECT_EQ(entry.uri, "gst:videotestsrc pattern=ball");
  for (const char* good : {"A=demo:", "A=test:", "A=test:snow", "A=file:///tmp/a.mkv", "A=rtsp://host/x",
                           "A=https://host/a.webm", "A=v4l2:///dev/video7"})
    EXPECT_NO_THROW(VideoSourceEntry::parse(good)) << good;
}

TEST(VideoSourceEntry, RejectsBadArgumentsWithTheirText) {
  for (const char* bad : {"demo:", "=demo:", "A=", "A=demo", "A=test:nosuchpattern", "A=ftp://host/x",
                          "A=gst:nosuchelement", "A=gst:fakesink", "A=v4l2:/dev/video0", "A=file:"}) {
    try {
      VideoSourceEntry::parse(bad);
      ADD_FAILURE() << "accepted " << bad;
    } catch (const std::exception& error) {
      EXPECT_TRUE(QString::fromUtf8(error.what()).contains(QString::fromLatin1(bad))) << error.what();
    }
  }
}
