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

TEST(VideoSourceEntry, RefusesNamesWithControlCharactersAndSaysWhich) {
  const struct {
    const char16_t* argument;
    const char* problem;
  } cases[] = {{u"Front\ndoor=test:ball", "character 6 is the control character U+000A"},
               {u"Cam\r=test:ball", "character 4 is the control character U+000D"},
               {u"\tCam=test:ball", "character 1 is the control character U+0009"},
               {u"Cam\x1b[2J=test:ball", "character 4 is the control character U+001B"},
               {u"Cam\x7f=test:ball", "U+007F"},
               {u"Cam\x85=test:ball", "U+0085"},
               {u"Cam\u2028=test:ball", "U+2028"}};
  for (const auto& c : cases) {
    const QString argument = QString::fromUtf16(c.argument);
    try {
      VideoSourceEntry::parse(argument);
      ADD_FAILURE() << "accepted " << c.problem;
    } catch (const std::exception& error) {
      EXPECT_TRUE(QString::fromUtf8(error.what()).startsWith("Invalid video source name: ")) << error.what();
      EXPECT_TRUE(QString::fromUtf8(error.what()).contains(QString::fromLatin1(c.problem))) << error.what();
    }
  }
  // Brackets and other scripts are fine: a log header is read from its first to its last character.
  for (const char16_t* good : {u"[Cam]=test:ball", u"Cam]=test:ball", u"Гараж 2=test:ball"})
    EXPECT_EQ(VideoSourceEntry::parse(QString::fromUtf16(good)).uri, "test:ball");
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
