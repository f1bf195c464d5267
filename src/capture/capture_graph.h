#pragma once

#include "base/frame_bitmap.h"
#include "base/prompts.h"
#include "capture/cap_device_info.h"
#include "capture/graph_config.h"
#include "capture/sample_grabber_cb.h"
#include "capture/video_format.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>

// The notifications of the capture component, raised on the UI thread.
enum class CaptureEvent {
  StartPreview,
  StopPreview,
  DeviceLost,
  Aborted,
  ChangeDevice,
  ChangeCompressor,
  FrameRendered,
  ChangeVCapMode,
  // A stream source (file, network, description) has negotiated its format, so
  // the list of video formats now holds it.
  VideoFormatKnown
};

enum class GraphState { NoFilters, FiltersCreated, GraphBuilt, Previewing };

// Whether a preview that cannot start is shown to the user in a box, or only
// recorded for failureDetail() (an owner retrying on its own).
enum class FailureReport { Box, Quiet };

// The capture graph of one video source: a GStreamer pipeline from the catalogued
// device through "MySmartTee" and the frame grabber "MyBitmapGrabber" to the
// renderer. All of it runs on the UI thread; the streaming threads only touch the
// grabber callbacks and post notifications, queued in order.
//
// The windowed TVideoCapture (capture/ui) derives from it; a tool without windows
// derives from it directly and overrides the two hooks.
class CaptureGraph {
 public:
  // Result code shown where an operation of the media framework failed.
  static constexpr unsigned kFailed = 0x80004005;

  explicit CaptureGraph(Prompts& prompts);
  virtual ~CaptureGraph();
  CaptureGraph(const CaptureGraph&) = delete;
  CaptureGraph& operator=(const CaptureGraph&) = delete;

  // Published properties, holding the constructor's values until written.
  bool WantPreview() const { return m_wantPreview; }
  void setWantPreview(bool want) { m_wantPreview = want; }
  bool WantBitmaps() const { return m_wantBitmaps; }
  void setWantBitmaps(bool want) { m_wantBitmaps = want; }
  TPixelFormat BitmapPixelFormat() const { return m_bitmapPixelFormat; }
  void setBitmapPixelFormat(TPixelFormat format) { m_bitmapPixelFormat = format; }
  TDVResolution DVResolution() const { return m_dvResolution; }
  void setDVResolution(TDVResolution resolution);
  bool WantCapture() const { return m_wantCapture; }
  void setWantCapture(bool want) { m_wantCapture = want; }
  bool WantAudio() const { return m_wantAudio; }
  void setWantAudio(bool want) { m_wantAudio = want; }
  bool WantDVAudio() const { return m_wantDVAudio; }
  void setWantDVAudio(bool want) { m_wantDVAudio = want; }
  bool WantAudioPreview() const { return m_wantAudioPreview; }
  void setWantAudioPreview(bool want) { m_wantAudioPreview = want; }
  bool UseFrameRate() const { return m_useFrameRate; }
  void setUseFrameRate(bool use) { m_useFrameRate = use; }
  double FrameRate() const { return m_frameRate; }
  void setFrameRate(double rate) { m_frameRate = rate >= 1.0 && rate <= 50.0 ? rate : 25.0; }
  // The capture-to-file path is not built; its settings are kept as written.
  QString CaptureFileName() const { return m_captureFileName; }
  void setCaptureFileName(const QString& name) { m_captureFileName = name; }
  bool UseTempFile() const { return m_useTempFile; }
  void setUseTempFile(bool use) { m_useTempFile = use; }
  QString TempCaptureFileName() const { return m_tempCaptureFileName; }
  void setTempCaptureFileName(const QString& name) { m_tempCaptureFileName = name; }
  bool UseTimeLimit() const { return m_useTimeLimit; }
  void setUseTimeLimit(bool use) { m_useTimeLimit = use; }
  int TimeLimit() const { return m_timeLimit; }
  void setTimeLimit(int seconds) { m_timeLimit = seconds; }
  bool DoPreallocFile() const { return m_doPreallocFile; }
  void setDoPreallocFile(bool prealloc) { m_doPreallocFile = prealloc; }
  unsigned PreallocFileSize() const { return m_preallocFileSize; }
  void setPreallocFileSize(unsigned size) { m_preallocFileSize = size; }
  // For measuring: false lets the renderer take frames as fast as the source gives
  // them instead of at their time stamps.
  bool RendererSync() const { return m_rendererSync; }
  void setRendererSync(bool sync) { m_rendererSync = sync; }

  void SetGraphConfig(const TGraphConfig& config);
  void SelectDevices(const QString& video, const QString& audio, bool force);
  bool StartPreview(FailureReport report = FailureReport::Box);
  bool StopPreview();
  bool Previewing() const { return m_state == GraphState::Previewing; }
  GraphState graphState() const { return m_state; }
  QString VideoDeviceFriendlyName() const { return m_videoFriendlyName; }
  // The --source URI of the video device, or the system device's path; empty when
  // not known.
  QString VideoDeviceUri() const;
  // Why the source last failed, in the media framework's words ("End of stream"
  // when it ended); empty while no run has failed.
  QString failureReason() const;
  // The source's name, its URI and failureReason(), one per CR-separated line: the
  // detail of a box that tells a failure of the source.
  QString failureDetail() const;

  // Arms the grabber for the next sample; called from the FrameRendered event.
  void GrabNextBitmap();

  int GetVideoFormatCount() const;
  TVideoFormat GetVideoFormat(int index) const;
  TVideoFormat GetCurrentVideoFormat() const;
  bool SetVideoFormat(int index);
  bool SelectVideoFormat(const TVideoFormat& format);

 protected:
  virtual void captureEvent(CaptureEvent) {}
  // The grabbed frame lives only during the call; copy it to keep it.
  virtual void bitmapGrabbed(const FrameBitmap&) {}
  // A frame that reached the renderer, while the preview is shown.
  virtual void previewFrame(const FrameBitmap&) {}
  // Whether the rendered frames are wanted for painting.
  void setPreviewShown(bool shown);

 private:
  struct Graph;

  void raise(CaptureEvent event);
  void showCaptureError(const QString& message, unsigned code, const QString& detail = {});
  void setFailureReason(const QString& reason);
  void recordFailure(const QString& reason);
  [[noreturn]] void abandon(const QString& message, unsigned code = 0);
  void releaseFilters();
  bool createCaptureFilters();
  bool buildGraph();
  void renderPreview();
  void tearDownGraph();
  void graphEvent(CaptureEvent event, unsigned run);
  void deliverBitmap();
  void deliverPreviewFrame();
  bool isDvDevice() const;

  Prompts& m_prompts;
  // Receives the notifications queued from the streaming threads; destroyed with
  // the component, so late ones are dropped.
  QObject m_mailbox;
  TSampleGrabberCB m_grabberCallback;
  TSampleGrabberCB m_rendererCallback;
  std::unique_ptr<Graph> m_graph;
  GraphState m_state = GraphState::NoFilters;
  std::atomic<unsigned> m_run = 0;  // events of an earlier run are stale
  bool m_previewShown = false;
  mutable std::mutex m_failureLock;  // the reason is set on the streaming threads
  QString m_failureReason;

  DeviceMoniker m_videoDevice;
  DeviceMoniker m_audioDevice;
  QString m_videoFriendlyName;

  bool m_wantPreview = true;
  bool m_wantBitmaps = true;
  TPixelFormat m_bitmapPixelFormat = TPixelFormat::Bits24;
  TDVResolution m_dvResolution = TDVResolution::dvrDontWorry;
  bool m_wantCapture = true;
  bool m_wantAudio = true;
  bool m_wantDVAudio = true;
  bool m_wantAudioPreview = true;
  bool m_useFrameRate = false;
  double m_frameRate = 0;
  QString m_captureFileName;
  bool m_useTempFile = false;
  QString m_tempCaptureFileName;
  bool m_useTimeLimit = false;
  int m_timeLimit = 0;
  bool m_doPreallocFile = false;
  unsigned m_preallocFileSize = 1;
  bool m_rendererSync = true;
};
