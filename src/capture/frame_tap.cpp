// The pad probes through which the streaming threads hand frames to a
// TSampleGrabberCB: the grabber's and the renderer's.

#include "capture_graph_p.h"

#include <gst/video/video.h>

namespace capture_detail {

namespace {

QImage::Format imageFormat(GstVideoFormat format) {
  switch (format) {
    case GST_VIDEO_FORMAT_BGR: return QImage::Format_BGR888;
    case GST_VIDEO_FORMAT_RGB: return QImage::Format_RGB888;
    case GST_VIDEO_FORMAT_BGRx: return QImage::Format_RGB32;  // little-endian 0xffRRGGBB
    case GST_VIDEO_FORMAT_BGRA: return QImage::Format_ARGB32;
    case GST_VIDEO_FORMAT_RGB16: return QImage::Format_RGB16;
    case GST_VIDEO_FORMAT_RGB15: return QImage::Format_RGB555;
    case GST_VIDEO_FORMAT_GRAY8: return QImage::Format_Grayscale8;
    default: return QImage::Format_Invalid;
  }
}

// Owned by the probe; touched only by the streaming thread of its pad.
struct FrameTap {
  TSampleGrabberCB* callback = nullptr;
  GstCaps* caps = nullptr;  // the caps that info describes
  GstVideoInfo info{};

  ~FrameTap() { gst_caps_replace(&caps, nullptr); }

  void pass(GstPad* pad, GstBuffer* buffer) {
    if (!callback->armed()) {
      callback->BufferCB(QImage());  // only counts as rendered
      return;
    }
    GstCaps* current = gst_pad_get_current_caps(pad);
    if (current != caps) {
      if (!current || !gst_video_info_from_caps(&info, current))
        gst_video_info_init(&info);
      gst_caps_replace(&caps, current);
    }
    if (current)
      gst_caps_unref(current);
    GstVideoFrame frame;
    const QImage::Format format = imageFormat(GST_VIDEO_INFO_FORMAT(&info));
    if (format == QImage::Format_Invalid || !gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) {
      callback->BufferCB(QImage());
      return;
    }
    // Wraps the mapped memory; BufferCB copies what it keeps.
    const QImage sample(static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                        GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
                        GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), format);
    callback->BufferCB(sample);
    gst_video_frame_unmap(&frame);
  }
};

}  // namespace

void installFrameTap(GstPad* pad, TSampleGrabberCB& callback) {
  auto* tap = new FrameTap;
  tap->callback = &callback;
  gst_video_info_init(&tap->info);
  gst_pad_add_probe(
      pad, GST_PAD_PROBE_TYPE_BUFFER,
      [](GstPad* pad, GstPadProbeInfo* info, gpointer data) {
        static_cast<FrameTap*>(data)->pass(pad, GST_PAD_PROBE_INFO_BUFFER(info));
        return GST_PAD_PROBE_OK;
      },
      tap, [](gpointer data) { delete static_cast<FrameTap*>(data); });
}

}  // namespace capture_detail
