#pragma once

#include "capture/capture_graph.h"

#include <QWidget>

// The capture component as a window. Hidden, it only drives the graph (the camera
// window paints the grabbed frames itself); shown, it paints the rendered frames
// scaled into itself, on its blue background.
class TVideoCapture : public QWidget, public CaptureGraph {
  Q_OBJECT

 public:
  explicit TVideoCapture(Prompts& prompts, QWidget* parent = nullptr);
  ~TVideoCapture() override;

 signals:
  void OnStartPreview(TVideoCapture* sender);
  void OnStopPreview(TVideoCapture* sender);
  void OnDeviceLost(TVideoCapture* sender);
  void OnAborted(TVideoCapture* sender);
  void OnChangeDevice(TVideoCapture* sender);
  void OnChangeCompressor(TVideoCapture* sender);
  void OnFrameRendered(TVideoCapture* sender);
  void OnChangeVCapMode(TVideoCapture* sender);
  // A stream source's format became known: GetVideoFormat now lists it.
  void OnVideoFormatKnown(TVideoCapture* sender);
  // CapturedImage lives only during the signal; copy it to keep it.
  void OnBitmapGrabbed(TVideoCapture* sender, const FrameBitmap& CapturedImage);

 protected:
  void captureEvent(CaptureEvent event) override;
  void bitmapGrabbed(const FrameBitmap& bitmap) override;
  void previewFrame(const FrameBitmap& frame) override;
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  FrameBitmap m_shownFrame;
};
