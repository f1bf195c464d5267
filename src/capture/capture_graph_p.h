#pragma once

#include "capture/capture_graph.h"
#include "capture/capture_source_p.h"

// The GStreamer side of a CaptureGraph.
struct CaptureGraph::Graph {
  std::unique_ptr<capture_detail::CaptureSource> source;
  capture_detail::GstRef<GstElement> dvDecoder;  // kept over tear-downs, re-added by each build
  GstElement* grabber = nullptr;                 // the connected "MyBitmapGrabber", owned by the pipeline
  bool eventSource = false;                      // graph events are handled
  // Last, so released first: its streaming threads end before the source goes.
  capture_detail::PipelineRef pipeline;
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
