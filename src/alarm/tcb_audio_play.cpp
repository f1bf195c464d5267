#include "tcb_audio_play.h"

#include "base/handler_guard.h"
#include "media/gst_support.h"

#include <gst/audio/audio.h>
#include <gst/gst.h>

#include <QElapsedTimer>

#include <algorithm>
#include <deque>
#include <mutex>

using media::CapsRef;
using media::ensureMediaFramework;
using media::GstRef;
using media::own;

namespace {

// Result codes for what the media framework reports, in the form users of the
// player know. The table in EcbAudioPlayError describes the listed ones.
constexpr quint32 kFileNotFound = 0x80070002;
constexpr quint32 kClassNotRegistered = 0x80040154;
constexpr quint32 kInvalidParameter = 0x80070057;
constexpr quint32 kUnsupportedStream = 0x80040265;
constexpr quint32 kTimeout = 0x800705B4;
constexpr quint32 kFailed = 0x80004005;

constexpr qint64 kStateWaitMs = 5000;
constexpr int kMaxFileNameLength = 259;
constexpr int kPlayFlagText = 0x4;  // playbin's subtitle flag

quint32 resultFor(const GError* error) {
  if (error->domain == GST_RESOURCE_ERROR && error->code == GST_RESOURCE_ERROR_NOT_FOUND)
    return kFileNotFound;
  if (error->domain == GST_CORE_ERROR && error->code == GST_CORE_ERROR_MISSING_PLUGIN)
    return kClassNotRegistered;
  if (error->domain == GST_STREAM_ERROR)
    return kUnsupportedStream;
  return kFailed;
}

EcbAudioPlayError errorFrom(GstMessage* message) {
  GError* error = nullptr;
  gst_message_parse_error(message, &error, nullptr);
  const EcbAudioPlayError result =
      EcbAudioPlayError::fromResult(resultFor(error), QString::fromUtf8(error->message));
  g_error_free(error);
  return result;
}

// The error the pipeline posted for a failed call (taken by the caller), or
// `fallback` when it posted none.
EcbAudioPlayError pendingError(GstMessage* message, const char* fallback) {
  if (message) {
    EcbAudioPlayError error = errorFrom(message);
    gst_message_unref(message);
    return error;
  }
  return EcbAudioPlayError::fromResult(kFailed, QString::fromLatin1(fallback));
}

QString displayName(GstDevice* device) {
  gchar* name = gst_device_get_display_name(device);
  QString result = QString::fromUtf8(name);
  g_free(name);
  return result;
}

GstRef<GstDevice> findOutputDevice(const QString& name) {
  for (GstRef<GstDevice>& device : media::monitoredDevices("Audio/Sink")) {
    if (displayName(device.get()) == name)
      return std::move(device);
  }
  return nullptr;
}

GstRef<GstPad> staticPad(GstElement* element, const char* name) {
  return GstRef<GstPad>(gst_element_get_static_pad(element, name));
}

std::optional<TWaveFormat> waveFormat(GstCaps* caps) {
  GstAudioInfo info;
  if (!gst_audio_info_from_caps(&info, caps))
    return std::nullopt;
  TWaveFormat format;
  format.FormatTag = GST_AUDIO_INFO_IS_FLOAT(&info) ? 3 : 1;
  format.Channels = static_cast<quint16>(GST_AUDIO_INFO_CHANNELS(&info));
  format.SamplesPerSec = static_cast<quint32>(GST_AUDIO_INFO_RATE(&info));
  format.BlockAlign = static_cast<quint16>(GST_AUDIO_INFO_BPF(&info));
  format.AvgBytesPerSec = format.SamplesPerSec * format.BlockAlign;
  format.BitsPerSample = static_cast<quint16>(GST_AUDIO_INFO_WIDTH(&info));
  return format;
}

GstState gstState(TcbAudioPlay::PlayState state) {
  switch (state) {
    case TcbAudioPlay::PlayState::Stopped: return GST_STATE_READY;
    case TcbAudioPlay::PlayState::Paused: return GST_STATE_PAUSED;
    case TcbAudioPlay::PlayState::Running: return GST_STATE_PLAYING;
  }
  return GST_STATE_READY;
}

int g_liveCount = 0;

}  // namespace

struct TcbAudioPlay::Graph {
  media::PipelineRef pipeline;  // playbin
  GstRef<GstBus> bus;
  GstRef<GstElement> audioSink;  // what playbin renders audio into
  GstRef<GstElement> renderer;   // "Audio Renderer"
  GstRef<GstElement> grabber;    // the sample tap, when it could be made
  // The bus's messages once the player listens, in order. The bus calls its sync
  // handler before it queues a message, so a drain reading the bus itself could
  // run too early, find nothing and miss the end of the sound for good.
  std::mutex eventLock;
  std::deque<GstMessage*> events;
  TcbAudioPlay* player = nullptr;  // whom the sync handler notifies

  void addEvent(GstMessage* message) {
    std::lock_guard lock(eventLock);
    events.push_back(gst_message_ref(message));
  }
  // The oldest event of the given types, or null; the caller unrefs it.
  GstMessage* takeEvent(GstMessageType types) {
    std::lock_guard lock(eventLock);
    const auto found = std::find_if(events.begin(), events.end(), [types](GstMessage* message) {
      return GST_MESSAGE_TYPE(message) & types;
    });
    if (found == events.end())
      return nullptr;
    GstMessage* message = *found;
    events.erase(found);
    return message;
  }

  ~Graph() {
    // Event notification ends first; setting NULL then joins the streaming threads,
    // so no callback runs once the player's members go.
    if (bus)
      gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
    pipeline.reset();
    for (GstMessage* message : events) gst_message_unref(message);
  }
};

const QStringList& AudioDeviceNames() {
  static const QStringList names = [] {
    ensureMediaFramework();
    QStringList result;
    for (const GstRef<GstDevice>& device : media::monitoredDevices("Audio/Sink"))
      result.append(displayName(device.get()));
    return result;
  }();
  return names;
}

TcbAudioPlay::TcbAudioPlay(Prompts& prompts, QObject* Owner, int DeviceIndex, const QString& FileName)
    : m_prompts(prompts),
      m_owner(Owner),
      m_fileName(FileName),
      m_deviceIndex(DeviceIndex),
      m_listener(std::make_unique<QObject>()) {
  ensureMediaFramework();
  build();
  checkRendered();
  readSeeking();
  m_graph->player = this;
  // Event notification: each message is kept in order and queues one drain on
  // this thread; the message is in place before the drain can run.
  gst_bus_set_sync_handler(
      m_graph->bus.get(),
      [](GstBus*, GstMessage* message, gpointer data) {
        // Handed the graph itself: it outlives every streaming thread.
        auto* graph = static_cast<Graph*>(data);
        graph->addEvent(message);
        TcbAudioPlay* player = graph->player;
        QMetaObject::invokeMethod(
            player->m_listener.get(),
            [player] { guarded(player->m_prompts, [player] { player->HandleGraphEvents(); }); },
            Qt::QueuedConnection);
        return GST_BUS_DROP;
      },
      m_graph.get(), nullptr);
  // Back to rest: the device is held only while playing, and every buffer, the
  // first included, passes the tap after the caller assigned OnBuffer.
  changeState(PlayState::Stopped);
  ++g_liveCount;
}

TcbAudioPlay::~TcbAudioPlay() {
  m_graph.reset();
  m_listener.reset();
  --g_liveCount;
}

int TcbAudioPlay::liveCount() { return g_liveCount; }

// The playback chain: playbin on the file, audio into [Grabber ->] Audio Renderer,
// pictures into the null renderer; then preroll, which links everything.
void TcbAudioPlay::build() {
  m_graph = std::make_unique<Graph>();
  Graph& graph = *m_graph;
  graph.pipeline = media::ownPipeline(gst_element_factory_make("playbin", nullptr));
  GstRef<GstElement> voidRender = own(gst_element_factory_make("fakesink", "Void render"));
  if (!graph.pipeline || !voidRender)
    throw EcbAudioPlayError::fromResult(kClassNotRegistered);
  graph.bus.reset(gst_element_get_bus(graph.pipeline.get()));

  const QByteArray localName = m_fileName.left(kMaxFileNameLength).toLocal8Bit();
  GError* uriError = nullptr;
  gchar* uri = gst_filename_to_uri(localName.constData(), &uriError);
  if (!uri) {
    const QString text = QString::fromUtf8(uriError->message);
    g_error_free(uriError);
    throw EcbAudioPlayError::fromResult(kInvalidParameter, text);
  }
  g_object_set(graph.pipeline.get(), "uri", uri, nullptr);
  g_free(uri);
  gint flags = 0;
  g_object_get(graph.pipeline.get(), "flags", &flags, nullptr);
  g_object_set(graph.pipeline.get(), "flags", flags & ~kPlayFlagText, nullptr);
  g_object_set(voidRender.get(), "sync", TRUE, nullptr);
  g_object_set(graph.pipeline.get(), "video-sink", voidRender.get(), nullptr);

  GstRef<GstElement> renderer;
  if (m_deviceIndex >= 0 && m_deviceIndex < AudioDeviceNames().size()) {
    if (GstRef<GstDevice> device = findOutputDevice(AudioDeviceNames().at(m_deviceIndex))) {
      renderer = own(gst_device_create_element(device.get(), "Audio Renderer"));
      if (!renderer)
        throw EcbAudioPlayError::fromResult(kFailed, QStringLiteral("The output device cannot be opened."));
    }
  }
  if (!renderer)
    renderer = own(gst_element_factory_make("autoaudiosink", "Audio Renderer"));
  if (!renderer)
    throw EcbAudioPlayError::fromResult(kClassNotRegistered);
  graph.renderer.reset(GST_ELEMENT(gst_object_ref(renderer.get())));

  graph.grabber = own(gst_element_factory_make("capsfilter", "Grabber"));
  m_hasGrabber = graph.grabber != nullptr;
  if (m_hasGrabber) {
    CapsRef audioOnly(gst_caps_new_empty_simple("audio/x-raw"));
    g_object_set(graph.grabber.get(), "caps", audioOnly.get(), nullptr);
    gst_pad_add_probe(
        staticPad(graph.grabber.get(), "sink").get(), GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad*, GstPadProbeInfo* info, gpointer data) {
          auto* player = static_cast<TcbAudioPlay*>(data);
          GstMapInfo map;
          GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
          if (player->OnBuffer && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            guardedSilently([&] { player->OnBuffer(player, map.data, static_cast<qint32>(map.size)); });
            gst_buffer_unmap(buffer, &map);
          }
          return GST_PAD_PROBE_OK;
        },
        this, nullptr);

    GstRef<GstElement> bin = own(gst_bin_new("Audio output"));
    gst_bin_add_many(GST_BIN(bin.get()), GST_ELEMENT(gst_object_ref(graph.grabber.get())),
                     GST_ELEMENT(gst_object_ref(renderer.get())), nullptr);
    if (!gst_element_link(graph.grabber.get(), renderer.get()))
      throw EcbAudioPlayError::fromResult(kFailed,
                                          QStringLiteral("The sample tap cannot feed the renderer."));
    GstRef<GstPad> grabberSink = staticPad(graph.grabber.get(), "sink");
    gst_element_add_pad(bin.get(), gst_ghost_pad_new("sink", grabberSink.get()));
    graph.audioSink = std::move(bin);
  } else {
    graph.audioSink = std::move(renderer);
  }
  g_object_set(graph.pipeline.get(), "audio-sink", graph.audioSink.get(), nullptr);

  // Preroll: reads the file's header, links its streams and fails for a missing
  // or unplayable file.
  GstElement* pipeline = graph.pipeline.get();
  if (gst_element_set_state(pipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE)
    throw pendingError(gst_bus_pop_filtered(graph.bus.get(), GST_MESSAGE_ERROR),
                       "The file cannot be rendered.");
  GstMessage* message =
      gst_bus_timed_pop_filtered(graph.bus.get(), kStateWaitMs * GST_MSECOND,
                                 GstMessageType(GST_MESSAGE_ERROR | GST_MESSAGE_ASYNC_DONE));
  if (!message)
    throw EcbAudioPlayError::fromResult(kTimeout, QStringLiteral("The file was not ready within 5 seconds."));
  const bool failed = GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR;
  if (failed) {
    EcbAudioPlayError error = errorFrom(message);
    gst_message_unref(message);
    throw error;
  }
  gst_message_unref(message);
}

void TcbAudioPlay::checkRendered() {
  gint audioStreams = 0;
  g_object_get(m_graph->pipeline.get(), "n-audio", &audioStreams, nullptr);
  if (audioStreams == 0)
    throw EcbAudioPlayError(QStringLiteral("Specified file doesn't have any audio stream."), 1000);
  GstRef<GstPad> rendererInput = staticPad(m_graph->audioSink.get(), "sink");
  if (!rendererInput || !gst_pad_is_linked(rendererInput.get()))
    throw EcbAudioPlayError(QStringLiteral("Selected audio device not connected"), 1001);
  if (m_hasGrabber) {
    GstRef<GstPad> tap = staticPad(m_graph->grabber.get(), "sink");
    CapsRef caps(gst_pad_get_current_caps(tap.get()));
    if (!caps)
      throw EcbAudioPlayError(QStringLiteral("Sample grabber not connected"), 1001);
    m_audioFormat = waveFormat(caps.get());
  }
}

void TcbAudioPlay::readSeeking() {
  GstElement* pipeline = m_graph->pipeline.get();
  const media::QueryRef query(gst_query_new_seeking(GST_FORMAT_TIME));
  if (gst_element_query(pipeline, query.get())) {
    gboolean seekable = FALSE;
    gst_query_parse_seeking(query.get(), nullptr, &seekable, nullptr, nullptr);
    if (seekable)
      m_capabilities |= CanSeekAbsolute | CanSeekForwards | CanSeekBackwards;
  }
  gint64 position = 0;
  if (gst_element_query_position(pipeline, GST_FORMAT_TIME, &position))
    m_capabilities |= CanGetCurrentPos;
  gint64 duration = 0;
  if (gst_element_query_duration(pipeline, GST_FORMAT_TIME, &duration) && duration >= 0) {
    m_capabilities |= CanGetDuration;
    m_duration = duration / 100;
  }
}

void TcbAudioPlay::changeState(PlayState target) {
  GstElement* pipeline = m_graph->pipeline.get();
  const GstState wanted = gstState(target);
  if (gst_element_set_state(pipeline, wanted) == GST_STATE_CHANGE_FAILURE)
    throw pendingError(m_graph->takeEvent(GST_MESSAGE_ERROR),
                       "The media framework could not change the state.");
  QElapsedTimer waited;
  waited.start();
  for (;;) {
    GstState current = GST_STATE_VOID_PENDING;
    const GstStateChangeReturn result = gst_element_get_state(pipeline, &current, nullptr, 10 * GST_MSECOND);
    if (result == GST_STATE_CHANGE_FAILURE)
      throw pendingError(m_graph->takeEvent(GST_MESSAGE_ERROR),
                         "The media framework could not change the state.");
    if (result != GST_STATE_CHANGE_ASYNC && current == wanted)
      break;
    if (waited.elapsed() >= kStateWaitMs)
      throw EcbAudioPlayError::fromResult(kTimeout,
                                          QStringLiteral("The state was not reached within 5 seconds."));
  }
  m_state = target;
}

void TcbAudioPlay::Play() { changeState(PlayState::Running); }
void TcbAudioPlay::Pause() { changeState(PlayState::Paused); }
void TcbAudioPlay::Stop() { changeState(PlayState::Stopped); }

void TcbAudioPlay::SetPosition(qint64 Position, Positioning Flags) {
  GstElement* pipeline = m_graph->pipeline.get();
  gint64 target = Position * 100;
  gint64 current = 0;
  if (Flags == Positioning::Relative && gst_element_query_position(pipeline, GST_FORMAT_TIME, &current))
    target += current;
  if (!gst_element_seek_simple(pipeline, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH, std::max<gint64>(target, 0)))
    throw EcbAudioPlayError::fromResult(kFailed, QStringLiteral("The position cannot be set."));
}

void TcbAudioPlay::HandleGraphEvents() {
  while (GstMessage* message = m_graph->takeEvent(GST_MESSAGE_ANY)) {
    const GstMessageType type = GST_MESSAGE_TYPE(message);
    std::optional<EcbAudioPlayError> error;
    if (type == GST_MESSAGE_ERROR)
      error = errorFrom(message);
    gst_message_unref(message);
    if (type != GST_MESSAGE_EOS && !error)
      continue;
    if (Loop && !error) {
      Pause();
      SetPosition(0, Positioning::Absolute);
      Play();
    } else {
      Stop();
    }
    if (OnComplete)
      OnComplete(this);
    if (error)
      throw *error;
  }
}

QStringList TcbAudioPlay::RendererNames() const {
  QStringList names;
  // Recursive: playbin keeps the renderers inside bins of its own. A device's
  // renderer may itself be a bin; it counts once, by its own name.
  GstIterator* iterator = gst_bin_iterate_recurse(GST_BIN(m_graph->pipeline.get()));
  GValue item = G_VALUE_INIT;
  GstObject* audioRenderer = GST_OBJECT(m_graph->renderer.get());
  while (gst_iterator_next(iterator, &item) == GST_ITERATOR_OK) {
    auto* element = GST_ELEMENT(g_value_get_object(&item));
    if (GST_OBJECT_FLAG_IS_SET(element, GST_ELEMENT_FLAG_SINK) && !GST_IS_BIN(element)) {
      const bool inRenderer = gst_object_has_as_ancestor(GST_OBJECT(element), audioRenderer);
      const QString name =
          QString::fromUtf8(GST_OBJECT_NAME(inRenderer ? audioRenderer : GST_OBJECT(element)));
      if (!names.contains(name))
        names.append(name);
    }
    g_value_reset(&item);
  }
  g_value_unset(&item);
  gst_iterator_free(iterator);
  names.sort();
  return names;
}
