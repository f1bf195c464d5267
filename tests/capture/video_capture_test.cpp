#include "capture_fixture.h"

#include "capture/demo_scene.h"
#include "changed_cells.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <cstring>

namespace {

const QString kNoDevice = QStringLiteral(
    "Error %1.\r\nCan't create video capture filter - propably you havn't video capture device!");

bool sameContent(const FrameBitmap& frame, const DemoScene& scene, std::int64_t index) {
  std::vector<std::uint8_t> expected(static_cast<std::size_t>(scene.width()) * scene.height() * 3);
  scene.render(index, expected.data(), scene.width() * 3);
  for (int y = 0; y < scene.height(); ++y) {
    if (std::memcmp(frame.view().row(y), &expected[static_cast<std::size_t>(y) * scene.width() * 3],
                    static_cast<std::size_t>(scene.width()) * 3) != 0)
      return false;
  }
  return true;
}

}  // namespace

TEST_F(CaptureFixture, PublishedPropertiesAndConfigurationStartWithTheirValues) {
  TVideoCapture& capture = make({});
  EXPECT_TRUE(capture.WantPreview());
  EXPECT_TRUE(capture.WantBitmaps());
  EXPECT_EQ(capture.BitmapPixelFormat(), TPixelFormat::Bits24);
  EXPECT_EQ(capture.DVResolution(), TDVResolution::dvrDontWorry);
  EXPECT_TRUE(capture.WantCapture() && capture.WantAudio() && capture.WantDVAudio() &&
              capture.WantAudioPreview());
  EXPECT_FALSE(capture.UseFrameRate());
  EXPECT_EQ(capture.PreallocFileSize(), 1u);
  EXPECT_EQ(capture.width(), 100);
  EXPECT_EQ(capture.graphState(), GraphState::NoFilters);
  for (auto [written, stored] :
       {std::pair{0.0, 25.0}, {60.0, 25.0}, {30.0, 30.0}, {1.0, 1.0}, {50.0, 50.0}}) {
    capture.setFrameRate(written);
    EXPECT_EQ(capture.FrameRate(), stored) << written;
  }
  const TGraphConfig reset;
  EXPECT_FALSE(reset.WantPreview || reset.WantBitmaps || reset.WantCapture || reset.WantAudio);
  EXPECT_TRUE(reset.WantAudioPreview);
  EXPECT_EQ(reset.DVResolution, TDVResolution::dvrFull);
  EXPECT_EQ(reset.CaptureFileName, "capture.avi");
  EXPECT_EQ(reset.TempCaptureFileName, "captemp.avi");
  EXPECT_TRUE(reset.VideoFormat.isNone());
}

TEST_F(CaptureFixture, UnknownDeviceNameShowsTheMessageWithZeroOnce) {
  TVideoCapture& capture = make({{"Cam", "test:ball"}});
  capture.SetGraphConfig(cameraConfig("cam"));  // the case differs
  EXPECT_EQ(messages(), QStringList({kNoDevice.arg(0)}));
  EXPECT_EQ(capture.graphState(), GraphState::NoFilters);
  EXPECT_FALSE(capture.StartPreview());
  EXPECT_EQ(prompts.shown.size(), 1);
  EXPECT_EQ(events, QStringList({"ChangeDevice", "ChangeCompressor"}));
  EXPECT_EQ(capture.GetVideoFormatCount(), 0);
  EXPECT_TRUE(capture.GetCurrentVideoFormat().isNone());
}

TEST_F(CaptureFixture, PreviewRunsStopsAndRunsAgainOnTheBuiltGraph) {
  TVideoCapture& capture = make({{"Cam", "test:ball"}});
  capture.SetGraphConfig(cameraConfig("Cam"));
  EXPECT_TRUE(prompts.shown.isEmpty());
  EXPECT_EQ(events, QStringList({"StartPreview", "ChangeDevice", "ChangeCompressor"}));
  EXPECT_TRUE(capture.Previewing());
  EXPECT_EQ(capture.VideoDeviceFriendlyName(), "Cam");
  ASSERT_TRUE(waitUntil([&] { return rendered >= 3; }));

  EXPECT_TRUE(capture.StartPreview());  // already running: nothing happens
  EXPECT_TRUE(capture.StopPreview());
  EXPECT_FALSE(capture.StopPreview());
  EXPECT_EQ(capture.graphState(), GraphState::GraphBuilt);
  EXPECT_TRUE(capture.StartPreview());
  EXPECT_EQ(events.mid(3), QStringList({"StopPreview", "StartPreview"}));
  const int before = rendered;
  EXPECT_TRUE(waitUntil([&] { return rendered >= before + 3; }));
}

TEST_F(CaptureFixture, DeliversFramesAsTopDownBlueGreenRedPictures) {
  TVideoCapture& capture = make({{"Room", "demo:"}});
  grabEveryFrame();
  TGraphConfig config = cameraConfig("Room");
  config.VideoFormat = capture.GetVideoFormat(0);  // nothing selected yet: ignored
  capture.SetGraphConfig(config);
  ASSERT_EQ(VideoFormatToText(capture.GetVideoFormat(1)), "320x240x24b (RGB24)");
  ASSERT_TRUE(capture.SetVideoFormat(1));  // blue-green-red all the way: exact pixels
  ASSERT_TRUE(capture.StartPreview()) << messages().join("|").toStdString();
  ASSERT_TRUE(waitUntil([&] { return grabbed.size() >= 3; }));
  const DemoScene scene(320, 240);
  for (const FrameBitmap& frame : grabbed) {
    ASSERT_EQ(frame.image().format(), QImage::Format_BGR888);
    ASSERT_EQ(frame.width(), 320);
    ASSERT_EQ(frame.height(), 240);
    bool matched = false;
    for (std::int64_t index = 0; index < 200 && !matched; ++index) matched = sameContent(frame, scene, index);
    EXPECT_TRUE(matched);
  }
}

TEST_F(CaptureFixture, DemoSceneThroughItsDefaultFormatMovesAndRests) {
  TVideoCapture& capture = make({{"Demo", "demo:"}});
  capture.setRendererSync(false);  // a whole period of the scene in a moment
  grabEveryFrame();
  capture.SetGraphConfig(cameraConfig("Demo"));
  ASSERT_EQ(VideoFormatToText(capture.GetCurrentVideoFormat()), "640x480x16b (YUY2)");
  ASSERT_TRUE(waitUntil([&] { return rendered >= 2 * DemoScene::kPeriodFrames && grabbed.size() >= 20; }));
  capture.StopPreview();
  int most = 0;
  int still = 0;
  for (qsizetype i = 1; i < grabbed.size(); ++i) {
    const int cells = changedCells(grabbed[i - 1].view(), grabbed[i].view(), 3);
    most = std::max(most, cells);
    still += cells == 0;
  }
  EXPECT_GE(most, 50);  // the detector's default threshold
  EXPECT_GT(still, 0);
}

TEST_F(CaptureFixture, SelectDevicesRebuildsOnlyForAnotherDeviceOrWhenForced) {
  TVideoCapture& capture = make({{"Cam", "test:ball"}, {"Other", "test:snow"}});
  capture.setWantAudio(false);
  QObject::connect(&capture, &TVideoCapture::OnChangeDevice, [] { throw std::runtime_error("ignored"); });
  capture.SelectDevices("Cam", "", true);
  EXPECT_TRUE(capture.Previewing());
  EXPECT_EQ(events, QStringList({"StartPreview", "ChangeDevice"}));
  capture.SelectDevices("Cam", "", false);
  EXPECT_EQ(events.size(), 2);
  capture.SelectDevices("Other", "", false);
  EXPECT_EQ(events.mid(2), QStringList({"StopPreview", "StartPreview", "ChangeDevice"}));
  EXPECT_EQ(capture.VideoDeviceFriendlyName(), "Other");
  EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(CaptureFixture, ConvertsEachAskedPixelFormatIntoPaddedTwentyFourBitRows) {
  const struct {
    TPixelFormat format;
    const char* layout;
  } cases[] = {{TPixelFormat::Bits24, "BGR"},
               {TPixelFormat::Bits32, "BGR"},
               {TPixelFormat::Bits16, "RGB16"},
               {TPixelFormat::Device, "BGRx"}};
  for (const auto& c : cases) {
    // 45 pixels make 135 bytes a row: the bitmap pads them to 136.
    TVideoCapture& capture =
        make({{"Cam", QStringLiteral("gst:videotestsrc pattern=solid-color "
                                     "foreground-color=0xffff0000 ! video/x-raw,format=%1,"
                                     "width=45,height=7")
                          .arg(c.layout)}});
    grabbed.clear();
    grabEveryFrame();
    capture.setBitmapPixelFormat(c.format);
    TGraphConfig config = cameraConfig("Cam");
    config.BitmapPixelFormat = c.format;
    capture.SetGraphConfig(config);
    ASSERT_TRUE(waitUntil([&] { return !grabbed.isEmpty(); })) << c.layout;
    const FrameView view = grabbed.front().view();
    ASSERT_EQ(view.width, 45);
    ASSERT_EQ(view.height, 7);
    EXPECT_EQ(view.stride, 136);
    EXPECT_EQ(view.row(6)[44 * 3 + 0], 0x00);
    EXPECT_EQ(view.row(6)[44 * 3 + 1], 0x00);
    EXPECT_EQ(view.row(6)[44 * 3 + 2], 0xFF) << c.layout;
  }
}

TEST_F(CaptureFixture, DeliversNothingUntilTheGrabberIsArmedAgain) {
  TVideoCapture& capture = make({{"Cam", "test:ball"}});
  int armings = 0;
  QObject::connect(&capture, &TVideoCapture::OnFrameRendered, [&] {
    if (armings++ == 0)
      capture.GrabNextBitmap();  // once only
  });
  QObject::connect(&capture, &TVideoCapture::OnBitmapGrabbed,
                   [&](TVideoCapture*, const FrameBitmap& frame) { grabbed.append(frame); });
  capture.SetGraphConfig(cameraConfig("Cam"));
  ASSERT_TRUE(waitUntil([&] { return rendered >= 10; }));
  EXPECT_EQ(grabbed.size(), 1);

  // After the preview stops, arming clears the flag: the next run delivers nothing.
  capture.StopPreview();
  capture.GrabNextBitmap();
  capture.StartPreview();
  const int before = rendered;
  ASSERT_TRUE(waitUntil([&] { return rendered >= before + 5; }));
  EXPECT_EQ(grabbed.size(), 1);
}

TEST_F(CaptureFixture, SlowHandlerGetsFewerFramesNeverAQueue) {
  TVideoCapture& capture = make({{"Cam", "test:ball"}});
  QList<int> renderedAtDelivery;
  QObject::connect(&capture, &TVideoCapture::OnFrameRendered, [&] { capture.GrabNextBitmap(); });
  QObject::connect(&capture, &TVideoCapture::OnBitmapGrabbed, [&](TVideoCapture*, const FrameBitmap&) {
    renderedAtDelivery.append(rendered);
    QThread::msleep(150);  // a handler slower than four frames of the source
  });
  capture.SetGraphConfig(cameraConfig("Cam"));
  ASSERT_TRUE(waitUntil([&] { return renderedAtDelivery.size() >= 6; }));
  capture.StopPreview();
  // Between two deliveries several frames passed the renderer without being copied.
  int dropped = 0;
  for (qsizetype i = 1; i < renderedAtDelivery.size(); ++i)
    dropped += renderedAtDelivery[i] - renderedAtDelivery[i - 1] - 1;
  EXPECT_GE(dropped, 2 * (renderedAtDelivery.size() - 1));
}

TEST_F(CaptureFixture, HandlerErrorDropsTheFrameSilently) {
  TVideoCapture& capture = make({{"Cam", "test:ball"}});
  int delivered = 0;
  QObject::connect(&capture, &TVideoCapture::OnFrameRendered, [&] { capture.GrabNextBitmap(); });
  QObject::connect(&capture, &TVideoCapture::OnBitmapGrabbed, [&](TVideoCapture*, const FrameBitmap&) {
    ++delivered;
    throw std::runtime_error("detector failed");
  });
  capture.SetGraphConfig(cameraConfig("Cam"));
  ASSERT_TRUE(waitUntil([&] { return delivered >= 3; }));  // and the grabbing goes on
  EXPECT_TRUE(prompts.shown.isEmpty());
}

// A source that ended stays stopped: trying it again is the owner's choice, so a
// source that fails at once cannot be restarted without pause.
TEST_F(CaptureFixture, LostSourceStopsThePreviewAndIsNotRestarted) {
  QTemporaryDir dir;
  const QString path = dir.filePath("camera.raw");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray(16 * 8 * 3 * 5, '\x40'));  // five frames
  file.close();
  const QString uri =
      QStringLiteral("gst:filesrc location=%1 ! rawvideoparse width=16 height=8 format=bgr framerate=30/1")
          .arg(path);
  TVideoCapture& capture = make({{"Cam", uri}});
  bool previewingWhenLost = false;
  QObject::connect(&capture, &TVideoCapture::OnDeviceLost,
                   [&] { previewingWhenLost = capture.Previewing(); });
  capture.SetGraphConfig(cameraConfig("Cam"));
  ASSERT_TRUE(waitUntil([&] { return events.contains("StopPreview"); }));
  runEvents(std::chrono::milliseconds(500));  // a restart would have begun by now
  EXPECT_TRUE(previewingWhenLost);
  EXPECT_EQ(events, QStringList({"StartPreview", "ChangeDevice", "ChangeCompressor", "VideoFormatKnown",
                                 "DeviceLost", "StopPreview"}));
  EXPECT_TRUE(prompts.shown.isEmpty());
  EXPECT_FALSE(capture.Previewing());
  EXPECT_EQ(capture.graphState(), GraphState::GraphBuilt);
  EXPECT_EQ(capture.failureReason(), "End of stream");
  EXPECT_EQ(capture.failureDetail(), "Source: Cam\rURI: " + uri + "\rReason: End of stream");
}

// The box keeps its text; its detail names the source and the media framework's reason.
TEST_F(CaptureFixture, PreviewThatCannotRunNamesTheSourceAndTheReason) {
  QTemporaryDir dir;
  const QString missing = QUrl::fromLocalFile(dir.filePath("gone.webm")).toString();
  TVideoCapture& capture = make({{"Door", missing}});
  TGraphConfig config = cameraConfig("Door");
  config.WantPreview = false;
  capture.SetGraphConfig(config);
  ASSERT_TRUE(prompts.shown.isEmpty());

  EXPECT_FALSE(capture.StartPreview(FailureReport::Quiet));
  EXPECT_TRUE(prompts.shown.isEmpty());
  EXPECT_TRUE(capture.failureReason().contains("No such file")) << capture.failureReason().toStdString();

  EXPECT_FALSE(capture.StartPreview());
  EXPECT_EQ(messages(), QStringList({"Error 80004005: Cannot run preview graph!"}));
  const QStringList detail = prompts.shown[0].detail.split(u'\r');
  ASSERT_EQ(detail.size(), 3) << prompts.shown[0].detail.toStdString();
  EXPECT_EQ(detail[0], "Source: Door");
  EXPECT_EQ(detail[1], "URI: " + missing);
  EXPECT_TRUE(detail[2].startsWith("Reason: ") && detail[2].contains("No such file"))
      << detail[2].toStdString();
}

TEST_F(CaptureFixture, ListsSelectsAndNamesTheFormatsOfABuiltInSource) {
  TVideoCapture& capture = make({{"Cam", "test:smpte"}});
  TGraphConfig config = cameraConfig("Cam");
  config.WantPreview = false;
  capture.SetGraphConfig(config);
  QStringList texts;
  for (int i = 0; i < capture.GetVideoFormatCount(); ++i)
    texts.append(VideoFormatToText(capture.GetVideoFormat(i)));
  EXPECT_EQ(texts, QStringList({"320x240x16b (YUY2)", "320x240x24b (RGB24)", "640x480x16b (YUY2)",
                                "640x480x24b (RGB24)", "1280x720x16b (YUY2)", "1280x720x24b (RGB24)",
                                "1920x1080x16b (YUY2)", "1920x1080x24b (RGB24)"}));
  EXPECT_EQ(capture.GetVideoFormat(3).FrameRate, 30.0);
  EXPECT_EQ(VideoFormatToText(capture.GetCurrentVideoFormat()), "640x480x16b (YUY2)");
  EXPECT_EQ(capture.GetCurrentVideoFormat().FrameRate, 0.0);
  EXPECT_TRUE(capture.GetVideoFormat(8).isNone());
  EXPECT_TRUE(capture.GetVideoFormat(-1).isNone());

  EXPECT_FALSE(capture.SetVideoFormat(-1));  // tears down, changes nothing
  EXPECT_EQ(capture.graphState(), GraphState::FiltersCreated);
  EXPECT_TRUE(capture.SelectVideoFormat(capture.GetCurrentVideoFormat()));
  EXPECT_FALSE(events.contains("ChangeVCapMode"));
  EXPECT_TRUE(capture.SelectVideoFormat(capture.GetVideoFormat(5)));
  EXPECT_EQ(events.count("ChangeVCapMode"), 1);
  EXPECT_EQ(VideoFormatToText(capture.GetCurrentVideoFormat()), "1280x720x24b (RGB24)");
  EXPECT_FALSE(capture.SelectVideoFormat(TVideoFormat{}));

  grabEveryFrame();
  capture.setWantPreview(true);
  ASSERT_TRUE(capture.StartPreview());
  ASSERT_TRUE(waitUntil([&] { return !grabbed.isEmpty(); }));
  EXPECT_EQ(grabbed.front().width(), 1280);
  EXPECT_EQ(grabbed.front().height(), 720);
}

TEST_F(CaptureFixture, StreamSourcesOfferTheirOwnFormatOnceKnown) {
  TVideoCapture& capture =
      make({{"Cam", "gst:videotestsrc ! video/x-raw,format=I420,width=176,height=144,framerate=15/1"}});
  TGraphConfig config = cameraConfig("Cam");
  config.WantPreview = false;
  capture.SetGraphConfig(config);
  EXPECT_EQ(capture.GetVideoFormatCount(), 0);
  capture.setWantPreview(true);
  capture.SetVideoFormat(-1);  // tears down, to be built again with the preview
  ASSERT_TRUE(capture.StartPreview());
  ASSERT_TRUE(waitUntil([&] { return rendered > 0; }));
  ASSERT_EQ(capture.GetVideoFormatCount(), 1);
  EXPECT_EQ(VideoFormatToText(capture.GetVideoFormat(0)), "176x144x12b");
  EXPECT_EQ(capture.GetVideoFormat(0).FrameRate, 15.0);
  EXPECT_TRUE(SameVideoFormat(capture.GetCurrentVideoFormat(), capture.GetVideoFormat(0)));
}

TEST_F(CaptureFixture, UnconnectedGrabberKeepsThePreviewAndIsReusedByTheNextBuild) {
  TVideoCapture& capture = make({{"Cam", "test:white"}});
  grabEveryFrame();
  capture.show();  // the renderer's frames show that the preview runs
  TGraphConfig config = cameraConfig("Cam");
  config.BitmapPixelFormat = TPixelFormat::Bits8;
  capture.SetGraphConfig(config);
  EXPECT_EQ(messages(), QStringList({"Can't install SampleGrabber. Probably wrong color depth used?"}));
  EXPECT_TRUE(capture.Previewing());
  ASSERT_TRUE(waitUntil([&] { return capture.grab().toImage().pixelColor(50, 50).lightness() > 240; }));
  EXPECT_EQ(rendered, 0);  // frames are counted by the grabber
  EXPECT_TRUE(grabbed.isEmpty());
  capture.hide();

  // A new tee, the same grabber: adding a second one of that name would fail.
  capture.setBitmapPixelFormat(TPixelFormat::Bits24);
  capture.SetVideoFormat(-1);
  ASSERT_TRUE(capture.StartPreview());
  EXPECT_TRUE(waitUntil([&] { return !grabbed.isEmpty(); }));
  EXPECT_EQ(prompts.shown.size(), 1);
}

TEST_F(CaptureFixture, ShownComponentPaintsTheFramesScaled) {
  TVideoCapture& capture = make({{"Cam",
                                  "gst:videotestsrc pattern=solid-color foreground-color=0xff00ff00 ! "
                                  "video/x-raw,width=64,height=48"}});
  capture.resize(153, 113);
  capture.show();
  TGraphConfig config = cameraConfig("Cam");
  config.WantBitmaps = false;
  capture.SetGraphConfig(config);
  QImage shown;
  ASSERT_TRUE(waitUntil([&] {
    shown = capture.grab().toImage();
    return shown.pixelColor(150, 110) == QColor(Qt::green);
  }));
  EXPECT_EQ(shown.pixelColor(0, 0), QColor(Qt::green));
  capture.hide();
}

TEST_F(CaptureFixture, DvSourcesListTheDecoderSizes) {
  TVideoCapture& capture = make({{"Cam",
                                  "gst:videotestsrc ! video/x-raw,width=720,height=576,framerate=25/1 ! "
                                  "avenc_dvvideo ! avmux_dv"}});
  grabEveryFrame();
  TGraphConfig config = cameraConfig("Cam");
  config.WantPreview = false;
  capture.SetGraphConfig(config);
  ASSERT_EQ(capture.GetVideoFormatCount(), 4);
  EXPECT_TRUE(prompts.shown.isEmpty()) << messages().join("|").toStdString();
  QStringList texts;
  for (int i = 0; i < 4; ++i) texts.append(VideoFormatToText(capture.GetVideoFormat(i)));
  EXPECT_EQ(texts, QStringList({"720x576x24b", "360x288x24b", "180x144x24b", "88x72x24b"}));
  EXPECT_EQ(VideoFormatToText(capture.GetCurrentVideoFormat()), "720x576x24b");
  EXPECT_FALSE(capture.SetVideoFormat(2));
  EXPECT_EQ(capture.DVResolution(), TDVResolution::dvrQuater);
  EXPECT_FALSE(events.contains("ChangeVCapMode"));
  capture.setWantPreview(true);
  ASSERT_TRUE(capture.StartPreview());
  ASSERT_TRUE(waitUntil([&] { return !grabbed.isEmpty(); }));
  EXPECT_EQ(grabbed.front().width(), 180);
  EXPECT_EQ(grabbed.front().height(), 144);
  EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(CaptureFixture, DestroyingTheComponentEmptiesTheCatalogue) {
  make({{"Cam", "test:ball"}}).SetGraphConfig(cameraConfig("Cam"));
  EXPECT_FALSE(VideoDevices().isEmpty());
  m_capture.reset();
  EXPECT_TRUE(VideoDevices().isEmpty());
  EXPECT_TRUE(AudioDevices().isEmpty());
}
