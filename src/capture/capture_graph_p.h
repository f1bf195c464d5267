#pragma once

#include "capture/capture_graph.h"
#include "capture/capture_source_p.h"
#include "capture/gst_handles_p.h"

// The GStreamer side of a CaptureGraph.
struct CaptureGraph::Graph {
  capture_detail::GstRef<GstElement> pipeline;
  std::unique_ptr<capture_detail::CaptureSource> source;
  capture_detail::GstRef<GstElement> dvDecoder;  // kept over tear-downs, re-added by each build
  GstElement* grabber = nullptr;                 // the connected "MyBitmapGrabber", owned by the pipeline
  bool eventSource = false;                      // graph events are handled

  ~Graph() {
    if (pipeline)
      gst_element_set_state(pipeline.get(), GST_STATE_NULL);
  }
};

namespace capture_detail {

// Calls callback.BufferCB for every buffer that passes pad.
void installFrameTap(GstPad* pad, TSampleGrabberCB& callback);
// The sizes of the DV decoder's display resolutions, dvrFull to dvrDC.
TVideoFormat dvFormat(TDVResolution resolution);
// A DV decoder bin "MyDVDecoder": splitter, decoder, scaler to the display size.
GstRef<GstElement> createDvDecoder();
void setDvDisplaySize(GstElement* decoder, TDVResolution resolution);

}  // namespace capture_detail
