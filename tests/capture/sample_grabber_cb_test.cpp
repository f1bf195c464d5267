#include "capture/sample_grabber_cb.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

namespace {

struct Recorder {
  std::vector<bool> posts;
  TSampleGrabberCB::Window window() {
    return [this](bool copied) { posts.push_back(copied); };
  }
};

QImage picture(int width, int height, QColor colour, QImage::Format format = QImage::Format_BGR888) {
  QImage image(width, height, format);
  image.fill(colour);
  return image;
}

}  // namespace

TEST(SampleGrabberCB, CopiesOnlyTheFirstSampleAfterArming) {
  TSampleGrabberCB callback;
  Recorder recorder;
  callback.setWindow(recorder.window());
  callback.BufferCB(picture(4, 2, Qt::red));
  EXPECT_EQ(recorder.posts, std::vector<bool>({false}));
  EXPECT_TRUE(callback.frame().isEmpty());
  EXPECT_EQ(callback.frameSize(), 0u);

  callback.setArmed(true);
  callback.BufferCB(picture(5, 3, Qt::green));
  callback.BufferCB(picture(5, 3, Qt::blue));
  EXPECT_EQ(recorder.posts, std::vector<bool>({false, true, false, false}));
  EXPECT_FALSE(callback.armed());
  const FrameBitmap frame = callback.frame();
  ASSERT_EQ(frame.width(), 5);
  EXPECT_EQ(frame.image().pixelColor(4, 2), QColor(Qt::green));
  EXPECT_EQ(callback.frameSize(), 3u * 16u);  // 15 bytes a row, padded to 16

  // A sample that is no picture is never copied and leaves the grabber armed.
  callback.setArmed(true);
  callback.BufferCB(QImage());
  EXPECT_TRUE(callback.armed());
}

// The camera window keeps the newest frame and its detector the one before: the
// grabber must never write into those, and must not allocate a buffer per frame.
TEST(SampleGrabberCB, ReusesAFewBuffersAndNeverWritesIntoAHeldFrame) {
  TSampleGrabberCB callback;
  std::deque<std::pair<FrameBitmap, int>> held;  // frame and the grey it was given
  for (int grey = 0; grey < 40; ++grey) {
    callback.setArmed(true);
    callback.BufferCB(picture(6, 4, QColor(grey, grey, grey)));
    held.emplace_back(callback.frame(), grey);
    if (held.size() > 2)
      held.pop_front();
    for (const auto& [frame, value] : held)
      ASSERT_EQ(frame.image().pixelColor(5, 3), QColor(value, value, value)) << "after frame " << grey;
  }
  EXPECT_LE(callback.buffersMade(), 4u);

  // A new size takes a new buffer; frames of the old size stay as they were.
  callback.setArmed(true);
  callback.BufferCB(picture(3, 2, Qt::red));
  EXPECT_EQ(callback.frame().width(), 3);
  EXPECT_EQ(callback.frame().image().pixelColor(2, 1), QColor(Qt::red));
  EXPECT_EQ(held.back().first.image().pixelColor(0, 0), QColor(39, 39, 39));
}

// The camera window can keep its last frame after the graph and its grabber are gone.
TEST(SampleGrabberCB, AFrameOutlivesItsGrabber) {
  FrameBitmap kept;
  {
    TSampleGrabberCB callback;
    callback.setArmed(true);
    callback.BufferCB(picture(6, 4, QColor(7, 8, 9)));
    kept = callback.frame();
  }
  EXPECT_EQ(kept.image().pixelColor(5, 3), QColor(7, 8, 9));
}

// Every row of a planar sample reaches the bitmap, whatever its strides.
TEST(SampleGrabberCB, ConvertsPlanarSamplesWithPaddedRows) {
  // 5x3 I420 with rows padded to 8 bytes: white Y, neutral chroma, except a black last row.
  std::vector<std::uint8_t> y(8 * 3, 235), u(4 * 2, 128), v(4 * 2, 128);
  std::fill(y.begin() + 16, y.end(), 16);
  VideoSample sample;
  sample.layout = VideoSample::Layout::I420;
  sample.width = 5;
  sample.height = 3;
  sample.planes[0] = y.data();
  sample.planes[1] = u.data();
  sample.planes[2] = v.data();
  sample.strides[0] = 8;
  sample.strides[1] = 4;
  sample.strides[2] = 4;
  TSampleGrabberCB callback;
  callback.setArmed(true);
  callback.BufferCB(sample);
  const FrameBitmap frame = callback.frame();
  ASSERT_EQ(frame.width(), 5);
  ASSERT_EQ(frame.height(), 3);
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(frame.image().pixelColor(x, 1), QColor(255, 255, 255)) << x;
    EXPECT_EQ(frame.image().pixelColor(x, 2), QColor(0, 0, 0)) << x;
  }
}

TEST(SampleGrabberCB, ConvertsOtherLayoutsToBlueGreenRed) {
  TSampleGrabberCB callback;
  callback.setArmed(true);
  callback.BufferCB(picture(3, 2, QColor(0x10, 0x20, 0x30), QImage::Format_RGB32));
  const FrameBitmap frame = callback.frame();
  ASSERT_EQ(frame.image().format(), QImage::Format_BGR888);
  EXPECT_EQ(frame.view().row(1)[6], 0x30);  // blue of the last pixel
  EXPECT_EQ(frame.view().row(1)[8], 0x10);  // red
}
