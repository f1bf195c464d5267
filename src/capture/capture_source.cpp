#include "capture_source_p.h"

#include "capture/device_moniker_p.h"

#include <gst/app/gstappsrc.h>
#include <gst/video/video.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace capture_detail {

namespace {

const char* subtypeName(const char* format) {
  static const struct {
    const char* gstreamer;
    const char* subtype;
  } names[] = {{"BGR", "RGB24"},    {"BGRx", "RGB32"}, {"BGRA", "ARGB32"}, {"RGB16", "RGB565"},
               {"RGB15", "RGB555"}, {"IYU1", "Y411"},  {"YUY2", "YUY2"},   {"YVYU", "YVYU"},
               {"UYVY", "UYVY"},    {"YVU9", "YVU9"}};
  for (const auto& name : names) {
    if (std::strcmp(name.gstreamer, format) == 0)
      return name.subtype;
  }
  return format;
}

int intField(const GstStructure* structure, const char* field) {
  const GValue* value = gst_structure_get_value(structure, field);
  if (!value)
    return 0;
  if (G_VALUE_HOLDS_INT(value))
    return g_value_get_int(value);
  if (GST_VALUE_HOLDS_INT_RANGE(value))
    return gst_value_get_int_range_max(value);
  return 0;
}

double fractionValue(const GValue* value) {
  const int denominator = gst_value_get_fraction_denominator(value);
  return denominator > 0 ? double(gst_value_get_fraction_numerator(value)) / denominator : 0.0;
}

void readFrameRates(const GstStructure* structure, TVideoFormat& format) {
  const GValue* rate = gst_structure_get_value(structure, "framerate");
  if (!rate)
    return;
  if (GST_VALUE_HOLDS_FRACTION(rate)) {
    format.FrameRate = format.MinFrameRate = format.MaxFrameRate = fractionValue(rate);
  } else if (GST_VALUE_HOLDS_FRACTION_RANGE(rate)) {
    format.MinFrameRate = fractionValue(gst_value_get_fraction_range_min(rate));
    format.MaxFrameRate = format.FrameRate = fractionValue(gst_value_get_fraction_range_max(rate));
  } else if (GST_VALUE_HOLDS_LIST(rate) && gst_value_list_get_size(rate) > 0) {
    format.FrameRate = fractionValue(gst_value_list_get_value(rate, 0));
    format.MinFrameRate = format.MaxFrameRate = format.FrameRate;
    for (guint i = 0; i < gst_value_list_get_size(rate); ++i) {
      const double value = fractionValue(gst_value_list_get_value(rate, i));
      format.MinFrameRate = std::min(format.MinFrameRate, value);
      format.MaxFrameRate = std::max(format.MaxFrameRate, value);
    }
  }
}

// Bits per pixel of a raw layout: the size of a small frame over its pixel count.
int rawBitCount(const char* name) {
  GstVideoInfo info;
  const GstVideoFormat format = gst_video_format_from_string(name);
  if (format == GST_VIDEO_FORMAT_UNKNOWN || !gst_video_info_set_format(&info, format, 64, 64))
    return 0;
  return static_cast<int>(info.size * 8 / (64 * 64));
}

// A uridecodebin shows its decoded video pad only once it knows the stream, and
// again on every run. Other streams (audio, subtitles) stay unlinked, undecoded.
void linkDecodedPad(GstElement*, GstPad* pad, gpointer next) {
  CapsRef caps(gst_pad_get_current_caps(pad));
  if (!caps)
    caps.reset(gst_pad_query_caps(pad, nullptr));
  const GstStructure* structure = gst_caps_get_structure(caps.get(), 0);
  if (!structure || !gst_structure_has_name(structure, "video/x-raw"))
    return;
  GstRef<GstPad> sink(gst_element_get_static_pad(GST_ELEMENT(next), "sink"));
  if (!gst_pad_is_linked(sink.get()))
    gst_pad_link(pad, sink.get());
}

bool validTestPattern(GstElement* source, const QString& pattern) {
  GParamSpec* patternProperty = g_object_class_find_property(G_OBJECT_GET_CLASS(source), "pattern");
  GEnumClass* patterns = G_PARAM_SPEC_ENUM(patternProperty)->enum_class;
  const QByteArray nick = pattern.toUtf8();
  return g_enum_get_value_by_nick(patterns, nick.constData()) != nullptr;
}

// The element that ends a "gst:" description.
constexpr const char* kOutputName = "quorvex-output";

GstRef<GstElement> makeElement(const char* factory, const char* name = nullptr) {
  return media::own(gst_element_factory_make(factory, name));
}

}  // namespace

TVideoFormat videoFormatFromCaps(const GstStructure* structure) {
  TVideoFormat format;
  const char* media = gst_structure_get_name(structure);
  format.MajorType = QStringLiteral("video");
  format.Width = std::abs(intField(structure, "width"));
  format.Height = std::abs(intField(structure, "height"));
  if (std::strcmp(media, "video/x-raw") == 0) {
    const char* name = gst_structure_get_string(structure, "format");
    if (name) {
      format.SubType = QString::fromLatin1(subtypeName(name));
      format.BitCount = rawBitCount(name);
    }
  } else if (std::strcmp(media, "image/jpeg") == 0) {
    format.SubType = QStringLiteral("MJPG");
    format.BitCount = 24;
  } else if (std::strcmp(media, "video/x-dv") == 0) {
    gboolean system = FALSE;
    gst_structure_get_boolean(structure, "systemstream", &system);
    if (system)
      format.MajorType = QStringLiteral("interleaved");
    format.SubType = QStringLiteral("dvsd");
    format.BitCount = 24;
  } else {
    format.SubType = QString::fromLatin1(media);
  }
  readFrameRates(structure, format);
  return format;
}

// Feeds the "demo:" scene into an appsrc, one frame each time it asks for one.
struct CaptureSource::DemoFeeder {
  GstElement* bin = nullptr;
  GstElement* convert = nullptr;
  GstElement* source = nullptr;  // the appsrc, owned by bin
  std::unique_ptr<DemoScene> scene;
  std::int64_t index = 0;
  int rateNumerator = DemoScene::kFramesPerSecond;
  int rateDenominator = 1;

  static void needData(GstAppSrc* source, guint, gpointer self) {
    static_cast<DemoFeeder*>(self)->push(source);
  }

  void push(GstAppSrc* appSource) {
    const std::ptrdiff_t stride = GST_ROUND_UP_4(scene->width() * 3);
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, stride * scene->height(), nullptr);
    GstMapInfo map;
    if (gst_buffer_map(buffer, &map, GST_MAP_WRITE)) {
      scene->render(index, map.data, stride);
      gst_buffer_unmap(buffer, &map);
    }
    GST_BUFFER_PTS(buffer) = gst_util_uint64_scale(index, GST_SECOND * rateDenominator, rateNumerator);
    GST_BUFFER_DURATION(buffer) = gst_util_uint64_scale(1, GST_SECOND * rateDenominator, rateNumerator);
    ++index;
    gst_app_src_push_buffer(appSource, buffer);
  }

  // The scene is drawn in blue-green-red at the size and rate of the chosen format.
  // A stopped appsrc keeps answering with the caps of its last run, so each format
  // gets a fresh one.
  void configure(const GstCaps* format) {
    CapsRef caps(gst_caps_copy(format));
    GstStructure* structure = gst_caps_get_structure(caps.get(), 0);
    gst_structure_set(structure, "format", G_TYPE_STRING, "BGR", nullptr);
    const int width = intField(structure, "width");
    const int height = intField(structure, "height");
    if (!gst_structure_get_fraction(structure, "framerate", &rateNumerator, &rateDenominator) ||
        rateNumerator <= 0) {
      rateNumerator = DemoScene::kFramesPerSecond;
      rateDenominator = 1;
    }
    if (!scene || scene->width() != width || scene->height() != height)
      scene = std::make_unique<DemoScene>(width, height);
    if (source)
      gst_bin_remove(GST_BIN(bin), source);
    source = gst_element_factory_make("appsrc", nullptr);
    g_object_set(source, "format", GST_FORMAT_TIME, "is-live", FALSE, "caps", caps.get(), nullptr);
    GstAppSrcCallbacks callbacks{};
    callbacks.need_data = &DemoFeeder::needData;
    gst_app_src_set_callbacks(GST_APP_SRC(source), &callbacks, this, nullptr);
    gst_bin_add(GST_BIN(bin), source);
    gst_element_link(source, convert);
  }
};

GstRef<GstElement> CaptureSource::createSourceElement(const QString& uri, QString* failure) {
  ensureMediaFramework();
  GstRef<GstElement> element;
  const QString scheme = uri.section(u':', 0, 0);
  const QString rest = uri.section(u':', 1);
  const QByteArray utf8 = uri.toUtf8();
  if (uri == QLatin1String("demo:")) {
    element = makeElement("appsrc");
    g_object_set(element.get(), "format", GST_FORMAT_TIME, "is-live", FALSE, nullptr);
  } else if (scheme == QLatin1String("test")) {
    element = makeElement("videotestsrc");
    if (!rest.isEmpty()) {
      if (!validTestPattern(element.get(), rest)) {
        *failure = QStringLiteral("unknown test pattern \"%1\"").arg(rest);
        return {};
      }
      gst_util_set_object_arg(G_OBJECT(element.get()), "pattern", rest.toUtf8().constData());
    }
  } else if (scheme == QLatin1String("file") || scheme == QLatin1String("rtsp") ||
             scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
    if (!rest.startsWith(u"//") || !gst_uri_is_valid(utf8.constData())) {
      *failure = QStringLiteral("not a valid URI");
      return {};
    }
    element = makeElement("uridecodebin");
    // Only video is decoded. expose-all-streams stays on: turned off together with
    // these caps, the decoder search stops at the first compressed video pad, and
    // H.264 files and cameras are lost at once.
    CapsRef video(gst_caps_from_string("video/x-raw"));
    g_object_set(element.get(), "uri", utf8.constData(), "caps", video.get(), nullptr);
  } else if (scheme == QLatin1String("v4l2") && rest.startsWith(QLatin1String("///"))) {
    element = makeElement("v4l2src");
    g_object_set(element.get(), "device", rest.mid(2).toUtf8().constData(), nullptr);
  } else if (scheme == QLatin1String("gst")) {
    GError* error = nullptr;
    // The trailing identity lets a description end in caps, as "videotestsrc ! video/x-raw,width=320",
    // and gives the bin its one output. Unlinked pads are not ghosted: the sink pad of
    // an element waiting for a dynamic pad (uridecodebin, rtspsrc) would be taken.
    const QByteArray description =
        (rest + QStringLiteral(" ! identity name=%1").arg(QLatin1String(kOutputName))).toUtf8();
    GstElement* bin = gst_parse_bin_from_description(description.constData(), FALSE, &error);
    if (!bin) {
      *failure = QString::fromUtf8(error ? error->message : "cannot parse the description");
      g_clear_error(&error);
      return {};
    }
    g_clear_error(&error);  // a recoverable warning, such as a missing property
    element.reset(GST_ELEMENT(gst_object_ref_sink(bin)));
    GstRef<GstElement> output(gst_bin_get_by_name(GST_BIN(element.get()), kOutputName));
    GstRef<GstPad> pad(output ? gst_element_get_static_pad(output.get(), "src") : nullptr);
    if (!pad || gst_pad_is_linked(pad.get())) {
      *failure = QStringLiteral("the description has no video output");
      return {};
    }
    gst_element_add_pad(element.get(), gst_ghost_pad_new("src", pad.get()));
  } else {
    *failure = QStringLiteral("unknown kind of source");
    return {};
  }
  if (!element)
    *failure = QStringLiteral("the media framework lacks the element for it");
  return element;
}

std::unique_ptr<CaptureSource> CaptureSource::bind(const DeviceMonikerData& moniker, QString* failure) {
  ensureMediaFramework();
  std::unique_ptr<CaptureSource> source(new CaptureSource);
  GstRef<GstElement> element;
  CapsRef deviceCaps;
  const bool builtIn = moniker.sourceUri == QLatin1String("demo:") || moniker.sourceUri.startsWith(u"test:");
  if (moniker.device) {
    element.reset(gst_device_create_element(moniker.device.get(), nullptr));
    if (element)
      gst_object_ref_sink(element.get());
    deviceCaps.reset(gst_device_get_caps(moniker.device.get()));
  } else if (!moniker.sourceUri.isEmpty()) {
    element = createSourceElement(moniker.sourceUri, failure);
    if (element && moniker.sourceUri.startsWith(u"v4l2:")) {
      // The device's own list of formats, read while it is open.
      if (gst_element_set_state(element.get(), GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) {
        gst_element_set_state(element.get(), GST_STATE_NULL);
        *failure = QStringLiteral("cannot open the device");
        return nullptr;
      }
      GstRef<GstPad> pad(gst_element_get_static_pad(element.get(), "src"));
      deviceCaps.reset(gst_pad_query_caps(pad.get(), nullptr));
      gst_element_set_state(element.get(), GST_STATE_NULL);
    }
  }
  if (!element) {
    if (failure->isEmpty())
      *failure = QStringLiteral("the device gives no source element");
    return nullptr;
  }

  if (!builtIn && !deviceCaps) {
    // A stream's format is known only once it runs, but DV shows in what it can give.
    GstRef<GstPad> pad(gst_element_get_static_pad(element.get(), "src"));
    CapsRef offered(pad ? gst_pad_query_caps(pad.get(), nullptr) : nullptr);
    source->m_dv = offered && !gst_caps_is_any(offered.get()) && gst_caps_get_size(offered.get()) > 0 &&
                   videoFormatFromCaps(gst_caps_get_structure(offered.get(), 0)).MajorType == u"interleaved";
  }
  source->m_bin.reset(GST_ELEMENT(gst_object_ref_sink(gst_bin_new(nullptr))));
  GstBin* bin = GST_BIN(source->m_bin.get());
  source->m_filter = gst_element_factory_make("capsfilter", "MyStreamConfig");
  gst_bin_add(bin, source->m_filter);
  GstElement* first = nullptr;
  GstElement* upstream = nullptr;
  if (moniker.sourceUri == QLatin1String("demo:")) {
    // The appsrc comes with the first format.
    upstream = gst_element_factory_make("videoconvert", nullptr);
    gst_bin_add(bin, upstream);
    source->m_demo = std::make_unique<DemoFeeder>();
    source->m_demo->bin = source->m_bin.get();
    source->m_demo->convert = upstream;
  } else {
    first = element.release();
    gst_bin_add(bin, first);
    upstream = first;
    if (moniker.sourceUri.startsWith(u"gst:")) {
      source->m_description = moniker.sourceUri;
      source->m_parsed = first;
    }
  }
  if (first && (moniker.sourceUri.startsWith(u"file:") || moniker.sourceUri.startsWith(u"http") ||
                moniker.sourceUri.startsWith(u"rtsp:")))
    g_signal_connect(first, "pad-added", G_CALLBACK(linkDecodedPad), source->m_filter);
  else
    gst_element_link(upstream, source->m_filter);
  GstRef<GstPad> target(gst_element_get_static_pad(source->m_filter, "src"));
  gst_element_add_pad(source->m_bin.get(), gst_ghost_pad_new("src", target.get()));

  if (builtIn) {
    // The built-in scenes offer the usual camera sizes at 30 frames per second.
    static const int sizes[][2] = {{320, 240}, {640, 480}, {1280, 720}, {1920, 1080}};
    for (const auto& size : sizes) {
      for (const char* layout : {"YUY2", "BGR"}) {
        CapsRef caps(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, layout, "width", G_TYPE_INT,
                                         size[0], "height", G_TYPE_INT, size[1], "framerate",
                                         GST_TYPE_FRACTION, 30, 1, nullptr));
        source->m_capabilities.push_back(
            {videoFormatFromCaps(gst_caps_get_structure(caps.get(), 0)), std::move(caps)});
      }
    }
    source->setFormat(2);  // 640x480 YUY2
  } else if (deviceCaps) {
    for (guint i = 0; i < gst_caps_get_size(deviceCaps.get()); ++i) {
      const GstStructure* structure = gst_caps_get_structure(deviceCaps.get(), i);
      const GValue* layouts = gst_structure_get_value(structure, "format");
      const guint count = layouts && GST_VALUE_HOLDS_LIST(layouts) ? gst_value_list_get_size(layouts) : 1;
      for (guint k = 0; k < count; ++k) {
        GstStructure* one = gst_structure_copy(structure);
        if (count > 1)
          gst_structure_set_value(one, "format", gst_value_list_get_value(layouts, k));
        CapsRef caps(gst_caps_new_full(one, nullptr));
        source->m_capabilities.push_back({videoFormatFromCaps(one), std::move(caps)});
      }
    }
  }
  return source;
}

CaptureSource::~CaptureSource() {
  if (m_bin)
    gst_element_set_state(m_bin.get(), GST_STATE_NULL);
}

bool CaptureSource::isDv() const {
  if (m_current >= 0)
    return m_capabilities[m_current].format.MajorType == u"interleaved";
  return m_dv || (!m_capabilities.empty() && m_capabilities.front().format.MajorType == u"interleaved");
}

void CaptureSource::rewind() {
  if (m_demo)
    m_demo->index = 0;
  if (m_parsed && m_hasRun)
    parseAgain();
  m_hasRun = true;
}

// The links a description makes to dynamic pads hold for its first run only, so
// each later run gets a fresh copy of it.
void CaptureSource::parseAgain() {
  QString failure;
  GstRef<GstElement> fresh = createSourceElement(m_description, &failure);
  if (!fresh)
    return;  // parsed before, so this does not happen; the old copy stays
  GstBin* bin = GST_BIN(m_bin.get());
  gst_element_set_state(m_parsed, GST_STATE_NULL);
  gst_bin_remove(bin, m_parsed);
  m_parsed = fresh.release();
  gst_bin_add(bin, m_parsed);
  gst_element_link(m_parsed, m_filter);
}

void CaptureSource::watchStreamFormat(std::function<void()> known) {
  if (!m_capabilities.empty() || m_dv || m_demo)
    return;  // such a source has its list of formats from the start
  GstRef<GstPad> pad(gst_element_get_static_pad(m_filter, "src"));
  gst_pad_add_probe(
      pad.get(), GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM,
      [](GstPad*, GstPadProbeInfo* info, gpointer data) {
        if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_CAPS)
          (*static_cast<std::function<void()>*>(data))();
        return GST_PAD_PROBE_OK;
      },
      new std::function<void()>(std::move(known)),
      [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}

std::optional<TVideoFormat> CaptureSource::negotiatedFormat() const {
  GstRef<GstPad> pad(gst_element_get_static_pad(m_filter, "src"));
  CapsRef caps(gst_pad_get_current_caps(pad.get()));
  if (caps && gst_caps_get_size(caps.get()) > 0)
    m_lastNegotiated = videoFormatFromCaps(gst_caps_get_structure(caps.get(), 0));
  return m_lastNegotiated;
}

int CaptureSource::formatCount() const {
  if (!m_capabilities.empty())
    return static_cast<int>(m_capabilities.size());
  return negotiatedFormat() ? 1 : 0;
}

TVideoFormat CaptureSource::format(int index) const {
  if (index < 0 || index >= formatCount())
    return {};
  if (!m_capabilities.empty())
    return m_capabilities[index].format;
  return *negotiatedFormat();
}

TVideoFormat CaptureSource::currentFormat() const {
  TVideoFormat format;
  if (m_current >= 0)
    format = m_capabilities[m_current].format;
  else if (auto negotiated = negotiatedFormat())
    format = *negotiated;
  format.FrameRate = format.MinFrameRate = format.MaxFrameRate = 0;
  return format;
}

bool CaptureSource::setFormat(int index) {
  if (index < 0 || index >= formatCount())
    return false;
  if (m_capabilities.empty())
    return true;  // the stream's own format is already the current one
  m_current = index;
  applyCaps(m_capabilities[index].caps.get());
  return true;
}

bool CaptureSource::setFrameRate(double framesPerSecond) {
  if (m_current < 0 || framesPerSecond <= 0)
    return false;
  // A whole number of 100-nanosecond units per frame.
  const auto frameTime = static_cast<gint64>(std::llround(10000000.0 / framesPerSecond));
  CapsRef caps(gst_caps_copy(m_capabilities[m_current].caps.get()));
  gst_caps_set_simple(caps.get(), "framerate", GST_TYPE_FRACTION, 10000000, static_cast<int>(frameTime),
                      nullptr);
  applyCaps(caps.get());
  return true;
}

void CaptureSource::applyCaps(GstCaps* caps) {
  g_object_set(m_filter, "caps", caps, nullptr);
  if (m_demo)
    m_demo->configure(caps);
}

}  // namespace capture_detail
