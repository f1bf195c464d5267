// The video format operations of the capture component, and the DV decoder.

#include "capture_graph_p.h"

using namespace capture_detail;

namespace capture_detail {

TVideoFormat dvFormat(TDVResolution resolution) {
  static const int sizes[][2] = {{720, 576}, {360, 288}, {180, 144}, {88, 72}};
  const int index = static_cast<int>(resolution) - static_cast<int>(TDVResolution::dvrFull);
  if (index < 0 || index > 3)
    return {};
  TVideoFormat format;
  format.Width = sizes[index][0];
  format.Height = sizes[index][1];
  format.BitCount = 24;
  return format;
}

namespace {

void linkVideoPad(GstElement*, GstPad* pad, gpointer decoder) {
  if (!g_str_equal(GST_PAD_NAME(pad), "video"))
    return;  // the audio of the interleaved stream is not used
  GstRef<GstPad> sink(gst_element_get_static_pad(GST_ELEMENT(decoder), "sink"));
  gst_pad_link(pad, sink.get());
}

}  // namespace

GstRef<GstElement> createDvDecoder() {
  GstElement* splitter = gst_element_factory_make("dvdemux", "MyDVSplitter");
  GstElement* decoder = gst_element_factory_make("dvdec", nullptr);
  GstElement* scaler = gst_element_factory_make("videoscale", nullptr);
  GstElement* size = gst_element_factory_make("capsfilter", "DisplaySize");
  GstRef<GstElement> bin(GST_ELEMENT(gst_object_ref_sink(gst_bin_new("MyDVDecoder"))));
  if (!splitter || !decoder || !scaler || !size) {
    for (GstElement* element : {splitter, decoder, scaler, size}) {
      if (element)
        gst_object_unref(gst_object_ref_sink(element));
    }
    return {};
  }
  gst_bin_add_many(GST_BIN(bin.get()), splitter, decoder, scaler, size, nullptr);
  gst_element_link_many(decoder, scaler, size, nullptr);
  g_signal_connect(splitter, "pad-added", G_CALLBACK(linkVideoPad), decoder);
  GstRef<GstPad> input(gst_element_get_static_pad(splitter, "sink"));
  GstRef<GstPad> output(gst_element_get_static_pad(size, "src"));
  gst_element_add_pad(bin.get(), gst_ghost_pad_new("sink", input.get()));
  gst_element_add_pad(bin.get(), gst_ghost_pad_new("src", output.get()));
  return bin;
}

void setDvDisplaySize(GstElement* decoder, TDVResolution resolution) {
  GstRef<GstElement> size(gst_bin_get_by_name(GST_BIN(decoder), "DisplaySize"));
  const TVideoFormat format = dvFormat(resolution);
  CapsRef caps(format.Width ? gst_caps_new_simple("video/x-raw", "width", G_TYPE_INT, format.Width, "height",
                                                  G_TYPE_INT, format.Height, nullptr)
                            : gst_caps_new_any());
  g_object_set(size.get(), "caps", caps.get(), nullptr);
}

}  // namespace capture_detail

int CaptureGraph::GetVideoFormatCount() const {
  if (isDvDevice())
    return 4;
  return m_graph && m_graph->source ? m_graph->source->formatCount() : 0;
}

TVideoFormat CaptureGraph::GetVideoFormat(int index) const {
  if (isDvDevice())
    return index >= 0 && index < 4 ? dvFormat(static_cast<TDVResolution>(int(TDVResolution::dvrFull) + index))
                                   : TVideoFormat{};
  return m_graph && m_graph->source ? m_graph->source->format(index) : TVideoFormat{};
}

TVideoFormat CaptureGraph::GetCurrentVideoFormat() const {
  if (isDvDevice()) {
    // The decoder keeps its own full size unless told otherwise.
    if (m_state < GraphState::GraphBuilt)
      return {};
    return dvFormat(m_dvResolution == TDVResolution::dvrDontWorry ? TDVResolution::dvrFull : m_dvResolution);
  }
  return m_graph && m_graph->source ? m_graph->source->currentFormat() : TVideoFormat{};
}

bool CaptureGraph::SetVideoFormat(int index) {
  tearDownGraph();
  if (isDvDevice()) {
    if (index >= 0 && index < 4)
      m_dvResolution = static_cast<TDVResolution>(int(TDVResolution::dvrFull) + index);
    return false;
  }
  if (!m_graph || !m_graph->source || !m_graph->source->setFormat(index))
    return false;
  raise(CaptureEvent::ChangeVCapMode);
  return true;
}

bool CaptureGraph::SelectVideoFormat(const TVideoFormat& format) {
  if (SameVideoFormat(format, GetCurrentVideoFormat()))
    return true;
  for (int i = 0; i < GetVideoFormatCount(); ++i) {
    if (SameVideoFormat(format, GetVideoFormat(i)))
      return SetVideoFormat(i);
  }
  return false;
}

void CaptureGraph::setDVResolution(TDVResolution resolution) {
  m_dvResolution = resolution;
  if (m_state >= GraphState::GraphBuilt && isDvDevice() && resolution != TDVResolution::dvrDontWorry) {
    tearDownGraph();
    if (m_graph->dvDecoder)
      setDvDisplaySize(m_graph->dvDecoder.get(), resolution);
  }
}
