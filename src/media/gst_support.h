#pragma once

// Owners of GStreamer references and the few calls every GStreamer user here
// needs, for the .cpp files of the libraries that run media: no GStreamer type
// appears in their public headers.

#include <gst/gst.h>

#include <memory>
#include <vector>

namespace media {

struct GstObjectUnref {
  void operator()(void* object) const { gst_object_unref(object); }
};
struct GstCapsUnref {
  void operator()(GstCaps* caps) const { gst_caps_unref(caps); }
};
struct GstQueryUnref {
  void operator()(GstQuery* query) const { gst_query_unref(query); }
};
// Stopping a pipeline joins its streaming threads, so nothing runs once it is gone.
struct GstPipelineRelease {
  void operator()(GstElement* pipeline) const {
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
  }
};

template <class T>
using GstRef = std::unique_ptr<T, GstObjectUnref>;
using CapsRef = std::unique_ptr<GstCaps, GstCapsUnref>;
using QueryRef = std::unique_ptr<GstQuery, GstQueryUnref>;
using PipelineRef = std::unique_ptr<GstElement, GstPipelineRelease>;

// Takes a new reference to an object that someone else owns.
template <class T>
GstRef<T> addRef(T* object) {
  if (object)
    gst_object_ref(object);
  return GstRef<T>(object);
}

// Takes ownership of a new element: a floating reference is sunk first.
inline GstRef<GstElement> own(GstElement* element) {
  return GstRef<GstElement>(element ? GST_ELEMENT(gst_object_ref_sink(element)) : nullptr);
}

// Takes ownership of a new pipeline, as own() does.
inline PipelineRef ownPipeline(GstElement* pipeline) {
  return PipelineRef(pipeline ? GST_ELEMENT(gst_object_ref_sink(pipeline)) : nullptr);
}

// GStreamer is initialised once, on first use, so tools and tests need no set-up
// of their own.
void ensureMediaFramework();

// The system's devices of a class such as "Video/Source", in the monitor's order.
std::vector<GstRef<GstDevice>> monitoredDevices(const char* deviceClass);

}  // namespace media
