#pragma once

// Small owners of GStreamer references, for the capture library's .cpp files only:
// no GStreamer type appears in a public header.

#include <gst/gst.h>

#include <memory>

namespace capture_detail {

struct GstObjectUnref {
  void operator()(void* object) const { gst_object_unref(object); }
};
struct GstCapsUnref {
  void operator()(GstCaps* caps) const { gst_caps_unref(caps); }
};

template <class T>
using GstRef = std::unique_ptr<T, GstObjectUnref>;
using CapsRef = std::unique_ptr<GstCaps, GstCapsUnref>;

// Takes a new reference to an object that someone else owns.
template <class T>
GstRef<T> addRef(T* object) {
  if (object)
    gst_object_ref(object);
  return GstRef<T>(object);
}

// GStreamer is initialised once, on first use by the capture library, so tools
// and tests need no set-up of their own.
void ensureMediaFramework();

}  // namespace capture_detail
