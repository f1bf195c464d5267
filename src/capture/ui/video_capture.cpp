#include "video_capture.h"

#include <QPainter>

TVideoCapture::TVideoCapture(Prompts& prompts, QWidget* parent) : QWidget(parent), CaptureGraph(prompts) {
  resize(100, 100);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::blue);
  setPalette(palette);
  setAutoFillBackground(true);
}

TVideoCapture::~TVideoCapture() = default;

void TVideoCapture::captureEvent(CaptureEvent event) {
  switch (event) {
    case CaptureEvent::StartPreview: emit OnStartPreview(this); break;
    case CaptureEvent::StopPreview:
      m_shownFrame = {};
      update();
      emit OnStopPreview(this);
      break;
    case CaptureEvent::DeviceLost: emit OnDeviceLost(this); break;
    case CaptureEvent::Aborted: emit OnAborted(this); break;
    case CaptureEvent::ChangeDevice: emit OnChangeDevice(this); break;
    case CaptureEvent::ChangeCompressor: emit OnChangeCompressor(this); break;
    case CaptureEvent::FrameRendered: emit OnFrameRendered(this); break;
    case CaptureEvent::ChangeVCapMode: emit OnChangeVCapMode(this); break;
    case CaptureEvent::VideoFormatKnown: emit OnVideoFormatKnown(this); break;
  }
}

void TVideoCapture::bitmapGrabbed(const FrameBitmap& bitmap) { emit OnBitmapGrabbed(this, bitmap); }

void TVideoCapture::previewFrame(const FrameBitmap& frame) {
  m_shownFrame = frame;
  update();
}

void TVideoCapture::paintEvent(QPaintEvent*) {
  if (m_shownFrame.isEmpty())
    return;
  QPainter painter(this);
  painter.drawImage(rect(), m_shownFrame.image());
}

void TVideoCapture::showEvent(QShowEvent*) { setPreviewShown(true); }

void TVideoCapture::hideEvent(QHideEvent*) {
  setPreviewShown(false);
  m_shownFrame = {};
}
