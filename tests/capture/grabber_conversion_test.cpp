#include "capture_fixture.h"

#include <gst/gst.h>

#include <algorithm>
#include <cstdlib>

namespace {

// One frame of the description, converted by the media framework's own converter
// the way the grabber's graph converts frames it does not take itself.
QImage convertedByTheFramework(const QString& description) {
  const QString launch = description + QStringLiteral(
                                           " ! videoconvert chroma-mode=none ! video/x-raw,format=BGR ! "
                                           "fakesink name=sink enable-last-sample=true");
  GError* error = nullptr;
  GstElement* pipeline = gst_parse_launch(qPrintable(launch), &error);
  if (!pipeline) {
    ADD_FAILURE() << (error ? error->message : "no pipeline");
    g_clear_error(&error);
    return {};
  }
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  GstBus* bus = gst_element_get_bus(pipeline);
  GstMessage* end =
      gst_bus_timed_pop_filtered(bus, 30 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  QImage image;
  GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
  GstSample* sample = nullptr;
  g_object_get(sink, "last-sample", &sample, nullptr);
  if (end && GST_MESSAGE_TYPE(end) == GST_MESSAGE_EOS && sample) {
    GstStructure* caps = gst_caps_get_structure(gst_sample_get_caps(sample), 0);
    int width = 0;
    int height = 0;
    gst_structure_get_int(caps, "width", &width);
    gst_structure_get_int(caps, "height", &height);
    GstMapInfo map;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
      const int stride = static_cast<int>(map.size / static_cast<std::size_t>(height));
      image = QImage(map.data, width, height, stride, QImage::Format_BGR888).copy();
      gst_buffer_unmap(buffer, &map);
    }
  }
  if (sample)
    gst_sample_unref(sample);
  if (end)
    gst_message_unref(end);
  gst_object_unref(sink);
  gst_object_unref(bus);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return image;
}

// The mean absolute difference of the two pictures' bytes.
double meanDifference(const FrameBitmap& frame, const QImage& expected) {
  std::int64_t total = 0;
  for (int y = 0; y < expected.height(); ++y) {
    const std::uint8_t* got = frame.view().row(y);
    const uchar* want = expected.constScanLine(y);
    for (int x = 0; x < expected.width() * 3; ++x) total += std::abs(got[x] - want[x]);
  }
  return double(total) / (double(expected.width()) * expected.height() * 3);
}

}  // namespace

// The YUV layouts the grabber converts itself give the detector the picture the
// framework's converter gives, in every colour matrix and range a camera sends.
TEST_F(CaptureFixture, GrabberConvertsYuvFramesAsTheFrameworkConverterDoes) {
  const struct {
    const char* format;
    const char* colorimetry;
  } cases[] = {
      {"I420", "bt601"},   {"I420", "bt709"}, {"I420", "bt2020"}, {"I420", "1:4:0:0"},  // 601, full range
      {"YV12", "bt601"},   {"NV12", "bt709"}, {"NV21", "bt601"},  {"Y42B", "bt709"},
      {"NV12", "1:3:0:0"},  // 709, full range
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.format << " " << c.colorimetry);
    // Odd sizes: the last column and row have chroma of their own.
    const QString source = QStringLiteral(
                               "videotestsrc pattern=colors ! video/x-raw,format=%1,colorimetry=%2,"
                               "width=91,height=51")
                               .arg(QLatin1String(c.format), QLatin1String(c.colorimetry));
    TVideoCapture& capture = make({{"Cam", QStringLiteral("gst:") + source}});  // starts the framework
    const QImage expected = convertedByTheFramework(QStringLiteral("videotestsrc num-buffers=1") +
                                                    source.mid(QStringLiteral("videotestsrc").size()));
    ASSERT_FALSE(expected.isNull());
    grabbed.clear();
    grabEveryFrame();
    capture.SetGraphConfig(cameraConfig("Cam"));
    ASSERT_TRUE(waitUntil([&] { return !grabbed.isEmpty(); }));
    const FrameBitmap& frame = grabbed.front();
    ASSERT_EQ(frame.width(), expected.width());
    ASSERT_EQ(frame.height(), expected.height());
    // The two round differently and pair chroma differently at colour edges; a
    // wrong matrix, range, plane or stride differs by far more.
    EXPECT_LT(meanDifference(frame, expected), 3.0);
  }
}
