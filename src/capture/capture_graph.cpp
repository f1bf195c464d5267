#include "capture_graph_p.h"

#include "base/error.h"
#include "base/handler_guard.h"
#include "capture/device_moniker_p.h"

#include <QStringList>

#include <vector>

using namespace capture_detail;

namespace {

// Raised by a step that abandons its list, after its message was shown; it never
// leaves the component.
class EVideoCaptureError : public Error {
 public:
  using Error::Error;
};

// Formats asked of the grabber; null where the media framework has no such layout.
// For 24 bits the common YUV layouts pass unconverted: the grabber converts the
// frames it keeps itself, faster, and skips the ones it drops.
const char* grabberCaps(TPixelFormat format) {
  switch (format) {
    case TPixelFormat::Bits24:
    case TPixelFormat::Custom: return "video/x-raw,format={BGR,I420,YV12,NV12,NV21,Y42B}";
    case TPixelFormat::Bits32: return "video/x-raw,format=BGRx";
    case TPixelFormat::Bits16: return "video/x-raw,format=RGB16";
    case TPixelFormat::Bits15: return "video/x-raw,format=RGB15";
    // The device's own layout when a bitmap can be made of it, else a converted one.
    case TPixelFormat::Device: return "video/x-raw,format={BGR,RGB,BGRx,BGRA,RGB16,RGB15,GRAY8}";
    case TPixelFormat::Bits1:
    case TPixelFormat::Bits4:
    case TPixelFormat::Bits8: return nullptr;
  }
  return nullptr;
}

// The error's text, followed by the element's own words where its debug text has
// them (its last line, after the element path): "Resource not found. (No such
// file ...)", "... (Missing decoder: ...)".
QString errorReason(GstMessage* message) {
  GError* error = nullptr;
  gchar* debug = nullptr;
  gst_message_parse_error(message, &error, &debug);
  QString reason = error ? QString::fromUtf8(error->message) : QStringLiteral("Unknown error");
  const QString debugText = QString::fromUtf8(debug).trimmed();
  const qsizetype lineBreak = debugText.lastIndexOf(u'\n');
  const QString own = lineBreak < 0 ? QString() : debugText.mid(lineBreak + 1).trimmed();
  if (!own.isEmpty() && own != reason)
    reason += QStringLiteral(" (") + own + u')';
  g_clear_error(&error);
  g_free(debug);
  return reason;
}

GstElement* addElement(GstElement* pipeline, const char* factory, const char* name = nullptr) {
  GstElement* element = gst_element_factory_make(factory, name);
  if (element && !gst_bin_add(GST_BIN(pipeline), element))
    return nullptr;  // gst_bin_add has sunk and dropped it
  return element;
}

bool isLinked(GstElement* element) {
  bool linked = false;
  GstIterator* iterator = gst_element_iterate_sink_pads(element);
  GValue item = G_VALUE_INIT;
  while (gst_iterator_next(iterator, &item) == GST_ITERATOR_OK) {
    linked = linked || gst_pad_is_linked(GST_PAD(g_value_get_object(&item)));
    g_value_reset(&item);
  }
  g_value_unset(&item);
  gst_iterator_free(iterator);
  return linked;
}

// Removes every element that a build added after the source: all of it hangs
// downstream of the source, except what a failed step left unlinked. A grabber
// left unconnected stays, to be found by its name and reused.
void removeBuiltElements(GstElement* pipeline, GstElement* source) {
  std::vector<GstRef<GstElement>> doomed;
  GstIterator* iterator = gst_bin_iterate_elements(GST_BIN(pipeline));
  GValue item = G_VALUE_INIT;
  while (gst_iterator_next(iterator, &item) == GST_ITERATOR_OK) {
    auto* element = GST_ELEMENT(g_value_get_object(&item));
    const bool unconnectedGrabber =
        g_strcmp0(GST_OBJECT_NAME(element), "MyBitmapGrabber") == 0 && !isLinked(element);
    if (element != source && !unconnectedGrabber)
      doomed.push_back(addRef(element));
    g_value_reset(&item);
  }
  g_value_unset(&item);
  gst_iterator_free(iterator);
  for (const auto& element : doomed) gst_bin_remove(GST_BIN(pipeline), element.get());
}

}  // namespace

CaptureGraph::CaptureGraph(Prompts& prompts) : m_prompts(prompts) {
  ensureMediaFramework();
  m_grabberCallback.setWindow([this](bool sampleCopied) {
    if (sampleCopied)
      QMetaObject::invokeMethod(
          &m_mailbox, [this] { deliverBitmap(); }, Qt::QueuedConnection);
    else
      QMetaObject::invokeMethod(
          &m_mailbox, [this] { guarded(m_prompts, [this] { raise(CaptureEvent::FrameRendered); }); },
          Qt::QueuedConnection);
  });
  m_rendererCallback.setWindow([this](bool sampleCopied) {
    if (sampleCopied)
      QMetaObject::invokeMethod(
          &m_mailbox, [this] { deliverPreviewFrame(); }, Qt::QueuedConnection);
  });
}

// Stops the streaming threads before the callbacks they use go away. Raises no
// events: the owner is already being destroyed.
CaptureGraph::~CaptureGraph() {
  releaseFilters();
  ClearAllDeviceLists();
}

void CaptureGraph::raise(CaptureEvent event) { captureEvent(event); }

void CaptureGraph::showCaptureError(const QString& message, unsigned code, const QString& detail) {
  QString text = message;
  text.replace(QLatin1String("%x"), QString::number(code, 16).toUpper());
  m_prompts.messageBox(
      {text, QStringLiteral("DirectShow - Capture"), Prompts::Icon::Error, Prompts::Buttons::Ok, 0, detail});
}

void CaptureGraph::setFailureReason(const QString& reason) {
  const std::lock_guard lock(m_failureLock);
  m_failureReason = reason;
}

// The first failure of a run is its cause; the elements' complaints after it follow from it.
void CaptureGraph::recordFailure(const QString& reason) {
  const std::lock_guard lock(m_failureLock);
  if (m_failureReason.isEmpty())
    m_failureReason = reason;
}

QString CaptureGraph::failureReason() const {
  const std::lock_guard lock(m_failureLock);
  return m_failureReason;
}

QString CaptureGraph::VideoDeviceUri() const {
  if (!m_videoDevice)
    return {};
  if (!m_videoDevice->sourceUri.isEmpty())
    return m_videoDevice->sourceUri;
  if (!m_videoDevice->device)
    return {};
  GstStructure* properties = gst_device_get_properties(m_videoDevice->device.get());
  if (!properties)
    return {};
  QString uri;
  for (const char* name : {"api.v4l2.path", "device.path"}) {
    if (const char* path = gst_structure_get_string(properties, name); path && uri.isEmpty())
      uri = QStringLiteral("v4l2://") + QString::fromUtf8(path);
  }
  gst_structure_free(properties);
  return uri;
}

QString CaptureGraph::failureDetail() const {
  QStringList lines{QStringLiteral("Source: ") + m_videoFriendlyName};
  if (const QString uri = VideoDeviceUri(); !uri.isEmpty())
    lines.append(QStringLiteral("URI: ") + uri);
  if (const QString reason = failureReason(); !reason.isEmpty())
    lines.append(QStringLiteral("Reason: ") + reason);
  return lines.join(u'\r');
}

void CaptureGraph::abandon(const QString& message, unsigned code) {
  showCaptureError(message, code);
  throw EVideoCaptureError(message);
}

void CaptureGraph::releaseFilters() {
  if (m_graph && m_graph->pipeline)
    gst_element_set_state(m_graph->pipeline.get(), GST_STATE_NULL);
  m_graph.reset();
  m_state = GraphState::NoFilters;
}

// Takes a whole configuration at once: the graph is torn down, the devices are
// looked up again in fresh lists, the graph is rebuilt and, when wanted, previews.
void CaptureGraph::SetGraphConfig(const TGraphConfig& config) {
  tearDownGraph();
  releaseFilters();
  m_useTempFile = config.UseTempFile;
  m_wantBitmaps = config.WantBitmaps;
  m_doPreallocFile = config.DoPreallocFile;
  m_wantCapture = config.WantCapture;
  m_wantPreview = config.WantPreview;
  m_wantDVAudio = config.WantDVAudio;
  m_wantAudio = config.WantAudio;
  m_wantAudioPreview = config.WantAudioPreview;
  m_preallocFileSize = config.PreallocFileSize;
  setDVResolution(config.DVResolution);
  m_bitmapPixelFormat = config.BitmapPixelFormat;
  if (!config.TempCaptureFileName.isEmpty())
    m_tempCaptureFileName = config.TempCaptureFileName;
  if (!config.CaptureFileName.isEmpty())
    m_captureFileName = config.CaptureFileName;

  RefreshAllDeviceLists();
  m_videoDevice = FindDeviceMoniker(VideoDevices(), config.VideoDeviceName);
  m_audioDevice = FindDeviceMoniker(AudioDevices(), config.AudioDeviceName);
  createCaptureFilters();
  SelectVideoFormat(config.VideoFormat);
  if (buildGraph() && m_wantPreview)
    StartPreview();
  raise(CaptureEvent::ChangeDevice);
  raise(CaptureEvent::ChangeCompressor);
}

// Rebuilds the graph only when a device changed, or when forced.
void CaptureGraph::SelectDevices(const QString& video, const QString& audio, bool force) {
  if (VideoDevices().isEmpty())
    RefreshDeviceList(DeviceCategory::VideoInput, VideoDevices());
  if (AudioDevices().isEmpty())
    RefreshDeviceList(DeviceCategory::AudioInput, AudioDevices());
  DeviceMoniker videoDevice = FindDeviceMoniker(VideoDevices(), video);
  DeviceMoniker audioDevice = FindDeviceMoniker(AudioDevices(), audio);
  if (!force && videoDevice == m_videoDevice && audioDevice == m_audioDevice)
    return;
  m_videoDevice = std::move(videoDevice);
  m_audioDevice = std::move(audioDevice);
  tearDownGraph();
  if (createCaptureFilters() && buildGraph() && m_wantPreview)
    StartPreview();
  guardedSilently([this] { raise(CaptureEvent::ChangeDevice); });
}

// A new pipeline holding the chosen device's source, with the bus watch that
// turns its errors and its end into graph events. On failure the user is told
// and nothing is kept.
bool CaptureGraph::createCaptureFilters() {
  releaseFilters();
  try {
    unsigned code = 0;
    std::unique_ptr<CaptureSource> source;
    if (m_videoDevice) {
      for (const TCapDeviceInfo& entry : VideoDevices()) {
        if (entry.Moniker == m_videoDevice)
          m_videoFriendlyName = entry.FriendlyName;
      }
      QString failure;
      source = CaptureSource::bind(*m_videoDevice, &failure);
      if (!source) {
        code = kFailed;
        setFailureReason(failure);
      }
    }
    if (!source) {
      showCaptureError(
          QStringLiteral(
              "Error %x.\r\nCan't create video capture filter - propably you havn't video capture device!"),
          code, m_videoDevice ? failureDetail() : QString());
      throw EVideoCaptureError(QStringLiteral("no video capture filter"));
    }
    source->watchStreamFormat([this] {
      const unsigned run = m_run.load();
      QMetaObject::invokeMethod(
          &m_mailbox, [this, run] { graphEvent(CaptureEvent::VideoFormatKnown, run); }, Qt::QueuedConnection);
    });
    m_graph = std::make_unique<Graph>();
    m_graph->source = std::move(source);
    m_graph->pipeline = media::ownPipeline(gst_pipeline_new(nullptr));
    if (!gst_bin_add(GST_BIN(m_graph->pipeline.get()), m_graph->source->element()))
      abandon(QStringLiteral("Error %x: Can't add video capture filter into graph!"), kFailed);
    if (m_graph->source->isDv()) {
      GstElement* found = gst_bin_get_by_name(GST_BIN(m_graph->pipeline.get()), "MyDVDecoder");
      m_graph->dvDecoder.reset(found);
      if (!m_graph->dvDecoder)
        m_graph->dvDecoder = createDvDecoder();
      if (!m_graph->dvDecoder)
        abandon(QStringLiteral("Can't add DV Decoder"));
    }

    // Graph events: errors and the end of the stream, queued to the UI thread in
    // order. Every message is dropped here, so none piles up on the bus.
    GstRef<GstBus> bus(gst_element_get_bus(m_graph->pipeline.get()));
    struct BusContext {
      CaptureGraph* graph;
      GstElement* source;
    };
    gst_bus_set_sync_handler(
        bus.get(),
        [](GstBus*, GstMessage* message, gpointer data) -> GstBusSyncReply {
          auto* context = static_cast<BusContext*>(data);
          CaptureGraph* graph = context->graph;
          const unsigned run = graph->m_run.load();
          std::optional<CaptureEvent> event;
          if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
            event = CaptureEvent::DeviceLost;  // a source that ends is lost like a device
            graph->recordFailure(QStringLiteral("End of stream"));
          } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
            event = gst_object_has_as_ancestor(GST_MESSAGE_SRC(message), GST_OBJECT(context->source))
                        ? CaptureEvent::DeviceLost
                        : CaptureEvent::Aborted;
            graph->recordFailure(errorReason(message));
          }
          if (event)
            QMetaObject::invokeMethod(
                &graph->m_mailbox, [graph, event, run] { graph->graphEvent(*event, run); },
                Qt::QueuedConnection);
          return GST_BUS_DROP;
        },
        new BusContext{this, m_graph->source->element()},
        [](gpointer data) { delete static_cast<BusContext*>(data); });
    m_state = GraphState::FiltersCreated;
    return true;
  } catch (const EVideoCaptureError&) {
    releaseFilters();
    return false;
  }
}

// Links the source (through the DV decoder, if any) into "MySmartTee" and the
// preview branch. False when it cannot be built: no source, or audio wanted that
// only a DV source carries (the audio path is not built).
bool CaptureGraph::buildGraph() {
  if (!m_graph)
    return false;
  if (m_state >= GraphState::GraphBuilt)
    return true;
  const bool dvAudio = isDvDevice() && m_wantDVAudio;
  // The audio path is not built, so audio is there only as DV audio.
  if (!m_graph->source || (m_wantAudio && !dvAudio))
    return false;
  GstElement* pipeline = m_graph->pipeline.get();
  try {
    GstElement* current = m_graph->source->element();
    if (m_graph->dvDecoder) {
      GstElement* decoder = m_graph->dvDecoder.get();
      if (!gst_bin_add(GST_BIN(pipeline), decoder) || !gst_element_link(current, decoder))
        abandon(QStringLiteral("Can't render video capture stream!"));
      setDvDisplaySize(decoder, m_dvResolution);
      current = decoder;
    }
    GstElement* tee = addElement(pipeline, "tee", "MySmartTee");
    if (!tee || !gst_element_link(current, tee))
      abandon(QStringLiteral("Can't add SmartTee"));
    current = tee;
    if (m_wantPreview)
      renderPreview();
    if (m_useFrameRate && !m_graph->source->setFrameRate(m_frameRate))
      showCaptureError(QStringLiteral("Cannot set frame rate for capture!"), 0);
    m_graph->eventSource = true;
    m_state = GraphState::GraphBuilt;
    return true;
  } catch (const EVideoCaptureError&) {
    m_state = GraphState::GraphBuilt;  // so that the tear-down walks what was linked
    tearDownGraph();
    return false;
  }
}

// The preview branch after the tee: conversion, the frame grabber when the wanted
// pixel format can be had, and the renderer. It runs on the source's streaming
// thread, as a plain decoder and sink would: a thread of its own cost more in
// hand-overs than it saved, now that the common layouts pass unconverted.
void CaptureGraph::renderPreview() {
  GstElement* pipeline = m_graph->pipeline.get();
  GstRef<GstElement> tee(gst_bin_get_by_name(GST_BIN(pipeline), "MySmartTee"));
  GstElement* convert = addElement(pipeline, "videoconvert");
  if (!convert || !gst_element_link(tee.get(), convert))
    abandon(QStringLiteral("Can't render preview stream!"));
  // Pixel pairs of 4:2:2 video share their chroma anyway; not interpolating it
  // saves a fifth of the conversion. Two threads keep up with a fast source.
  gst_util_set_object_arg(G_OBJECT(convert), "chroma-mode", "none");
  g_object_set(convert, "n-threads", 2u, nullptr);
  GstElement* current = convert;

  if (m_wantBitmaps) {
    GstElement* grabber = gst_bin_get_by_name(GST_BIN(pipeline), "MyBitmapGrabber");
    if (grabber)
      gst_object_unref(grabber);  // the pipeline keeps it
    else
      grabber = addElement(pipeline, "capsfilter", "MyBitmapGrabber");
    if (grabber) {
      const char* wanted = grabberCaps(m_bitmapPixelFormat);
      CapsRef caps(wanted ? gst_caps_from_string(wanted) : nullptr);
      GstRef<GstPad> source(gst_element_get_static_pad(convert, "src"));
      CapsRef possible(caps ? gst_pad_query_caps(source.get(), caps.get()) : nullptr);
      if (possible && !gst_caps_is_empty(possible.get())) {
        g_object_set(grabber, "caps", caps.get(), nullptr);
        if (gst_element_link(convert, grabber)) {
          GstRef<GstPad> output(gst_element_get_static_pad(grabber, "src"));
          installFrameTap(output.get(), m_grabberCallback);
          m_graph->grabber = grabber;
          current = grabber;
        }
      }
      if (!m_graph->grabber)
        showCaptureError(QStringLiteral("Can't install SampleGrabber. Probably wrong color depth used?"), 0);
    }
  }
  if (!m_graph->grabber) {
    // The renderer paints blue-green-red pictures.
    GstElement* layout = addElement(pipeline, "capsfilter");
    CapsRef caps(gst_caps_from_string("video/x-raw,format=BGR"));
    g_object_set(layout, "caps", caps.get(), nullptr);
    if (!gst_element_link(current, layout))
      abandon(QStringLiteral("Can't render preview stream!"));
    current = layout;
  }
  GstElement* renderer = addElement(pipeline, "fakesink", "MyVideoRenderer");
  if (!renderer || !gst_element_link(current, renderer))
    abandon(QStringLiteral("Can't render preview stream!"));
  g_object_set(renderer, "sync", gboolean(m_rendererSync), "enable-last-sample", FALSE, nullptr);
  GstRef<GstPad> input(gst_element_get_static_pad(renderer, "sink"));
  installFrameTap(input.get(), m_rendererCallback);
}

// Runs the pipeline. Each run has its number, so events of an earlier run that
// arrive late are dropped.
bool CaptureGraph::StartPreview(FailureReport report) {
  if (m_graph && Previewing())
    return true;
  if (!buildGraph())
    return false;
  m_graph->source->rewind();
  ++m_run;
  setFailureReason({});
  if (gst_element_set_state(m_graph->pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
    gst_element_set_state(m_graph->pipeline.get(), GST_STATE_NULL);
    ++m_run;  // the errors of the failed run are answered by this message
    if (report == FailureReport::Box)
      showCaptureError(QStringLiteral("Error %x: Cannot run preview graph!"), kFailed, failureDetail());
    return false;
  }
  m_state = GraphState::Previewing;
  raise(CaptureEvent::StartPreview);
  return true;
}

// Stopping releases the device; the graph stays built.
bool CaptureGraph::StopPreview() {
  if (!Previewing())
    return false;
  if (m_graph && gst_element_set_state(m_graph->pipeline.get(), GST_STATE_NULL) == GST_STATE_CHANGE_FAILURE) {
    showCaptureError(QStringLiteral("Error %x: Cannot stop preview graph!"), kFailed);
    return false;
  }
  ++m_run;
  raise(CaptureEvent::StopPreview);
  m_state = GraphState::GraphBuilt;
  return true;
}

// Takes out everything but the source, so the next build starts from it alone.
void CaptureGraph::tearDownGraph() {
  if (m_state < GraphState::GraphBuilt)
    return;
  StopPreview();
  gst_element_set_state(m_graph->pipeline.get(), GST_STATE_NULL);
  m_graph->grabber = nullptr;
  m_graph->eventSource = false;
  removeBuiltElements(m_graph->pipeline.get(), m_graph->source->element());
  m_state = GraphState::FiltersCreated;
}

// A graph event, on the UI thread: the owner hears of it first; a lost device
// then stops the preview. Whether and when to try the source again is the
// owner's choice: a source that failed at once would otherwise be restarted
// without pause.
void CaptureGraph::graphEvent(CaptureEvent event, unsigned run) {
  if (run != m_run.load() || !m_graph || !m_graph->eventSource)
    return;  // from a run that has ended, or a graph torn down since
  guarded(m_prompts, [&] {
    raise(event);
    if (event == CaptureEvent::DeviceLost)
      StopPreview();
  });
}

void CaptureGraph::GrabNextBitmap() {
  m_grabberCallback.setArmed(m_graph && m_graph->grabber && m_wantBitmaps && Previewing());
}

void CaptureGraph::deliverBitmap() {
  guardedSilently([this] {
    if (!m_graph || !m_graph->grabber)
      return;  // torn down since the copy
    const FrameBitmap frame = m_grabberCallback.frame();
    if (!frame.isEmpty())
      bitmapGrabbed(frame);
  });
}

void CaptureGraph::setPreviewShown(bool shown) {
  m_previewShown = shown;
  m_rendererCallback.setArmed(shown);
}

void CaptureGraph::deliverPreviewFrame() {
  guardedSilently([this] {
    const FrameBitmap frame = m_rendererCallback.frame();
    if (m_previewShown && !frame.isEmpty())
      previewFrame(frame);
  });
  m_rendererCallback.setArmed(m_previewShown);
}

bool CaptureGraph::isDvDevice() const { return m_graph && m_graph->source && m_graph->source->isDv(); }
