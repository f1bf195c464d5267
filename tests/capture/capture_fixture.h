#pragma once

#include "capture/ui/video_capture.h"
#include "capture/video_source.h"
#include "support/event_loop.h"
#include "support/scripted_prompts.h"

#include <QElapsedTimer>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>

// A TVideoCapture on the given --source entries, with scripted message boxes and
// a record of the events it raised, by name.
class CaptureFixture : public ::testing::Test {
 protected:
  void TearDown() override { setVideoSources({}); }

  // Makes the component on these sources; the first is "Cam".
  TVideoCapture& make(const QList<VideoSourceEntry>& sources) {
    setVideoSources(sources);
    m_capture = std::make_unique<TVideoCapture>(prompts);
    TVideoCapture* capture = m_capture.get();
    auto record = [this](const char* name) { return [this, name](TVideoCapture*) { events.append(name); }; };
    QObject::connect(capture, &TVideoCapture::OnStartPreview, record("StartPreview"));
    QObject::connect(capture, &TVideoCapture::OnStopPreview, record("StopPreview"));
    QObject::connect(capture, &TVideoCapture::OnDeviceLost, record("DeviceLost"));
    QObject::connect(capture, &TVideoCapture::OnAborted, record("Aborted"));
    QObject::connect(capture, &TVideoCapture::OnChangeDevice, record("ChangeDevice"));
    QObject::connect(capture, &TVideoCapture::OnChangeCompressor, record("ChangeCompressor"));
    QObject::connect(capture, &TVideoCapture::OnChangeVCapMode, record("ChangeVCapMode"));
    QObject::connect(capture, &TVideoCapture::OnVideoFormatKnown, record("VideoFormatKnown"));
    QObject::connect(capture, &TVideoCapture::OnFrameRendered, [this] { ++rendered; });
    return *capture;
  }

  // The camera window's configuration: preview with bitmaps of one device.
  static TGraphConfig cameraConfig(const QString& device) {
    TGraphConfig config;
    config.WantPreview = true;
    config.WantBitmaps = true;
    config.VideoDeviceName = device;
    config.DVResolution = TDVResolution::dvrDontWorry;
    return config;
  }

  // Re-arms the grabber after every rendered frame, as the camera window does, and
  // keeps the delivered frames.
  void grabEveryFrame() {
    QObject::connect(m_capture.get(), &TVideoCapture::OnFrameRendered, m_capture.get(),
                     [this] { m_capture->GrabNextBitmap(); });
    QObject::connect(m_capture.get(), &TVideoCapture::OnBitmapGrabbed,
                     [this](TVideoCapture*, const FrameBitmap& frame) { grabbed.append(frame); });
  }

  QStringList messages() const {
    QStringList texts;
    for (const auto& message : prompts.shown) {
      EXPECT_EQ(message.caption, "DirectShow - Capture");
      texts.append(message.text);
    }
    return texts;
  }

  ScriptedPrompts prompts;
  QStringList events;
  int rendered = 0;
  QList<FrameBitmap> grabbed;
  std::unique_ptr<TVideoCapture> m_capture;
};
