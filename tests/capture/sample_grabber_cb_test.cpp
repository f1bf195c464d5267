#include "capture/sample_grabber_cb.h"

#include <gtest/gtest.h>

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

TEST(SampleGrabberCB, ReusesItsBufferUnlessTheLastFrameIsStillHeld) {
  TSampleGrabberCB callback;
  callback.setArmed(true);
  callback.BufferCB(picture(6, 4, Qt::red));
  const uchar* first = callback.frame().view().data;
  callback.setArmed(true);
  callback.BufferCB(picture(6, 4, Qt::white));
  EXPECT_EQ(callback.frame().view().data, first);  // the one buffer, rewritten

  const FrameBitmap kept = callback.frame();
  callback.setArmed(true);
  callback.BufferCB(picture(6, 4, Qt::black));
  EXPECT_EQ(kept.image().pixelColor(0, 0), QColor(Qt::white));  // the kept frame is untouched
  EXPECT_EQ(callback.frame().image().pixelColor(0, 0), QColor(Qt::black));
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
