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

// The converter has the three common matrices; the two rare ones are taken as the
// one they nearly equal.
VideoSample::Matrix matrixOf(const GstVideoColorimetry& colorimetry) {
  const bool full = colorimetry.range == GST_VIDEO_COLOR_RANGE_0_255;
  switch (colorimetry.matrix) {
    case GST_VIDEO_COLOR_MATRIX_BT709:
    case GST_VIDEO_COLOR_MATRIX_SMPTE240M:
      return full ? VideoSample::Matrix::Bt709Full : VideoSample::Matrix::Bt709;
    case GST_VIDEO_COLOR_MATRIX_BT2020:
      return full ? VideoSample::Matrix::Bt2020Full : VideoSample::Matrix::Bt2020;
    default: return full ? VideoSample::Matrix::Bt601Full : VideoSample::Matrix::Bt601;
  }
}

VideoSample sampleOf(const GstVideoFrame& frame) {
  VideoSample sample;
  sample.width = GST_VIDEO_FRAME_WIDTH(&frame);
  sample.height = GST_VIDEO_FRAME_HEIGHT(&frame);
  sample.matrix = matrixOf(GST_VIDEO_INFO_COLORIMETRY(&frame.info));
  const auto plane = [&](int index, int component) {
    sample.planes[index] = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_COMP_DATA(&frame, component));
    sample.strides[index] = GST_VIDEO_FRAME_COMP_STRIDE(&frame, component);
  };
  switch (GST_VIDEO_FRAME_FORMAT(&frame)) {
    case GST_VIDEO_FORMAT_I420:
    case GST_VIDEO_FORMAT_YV12:  // the same planes, U and V stored the other way round
    case GST_VIDEO_FORMAT_Y42B:
      sample.layout = GST_VIDEO_FRAME_FORMAT(&frame) == GST_VIDEO_FORMAT_Y42B ? VideoSample::Layout::I422
                                                                              : VideoSample::Layout::I420;
      plane(0, GST_VIDEO_COMP_Y);
      plane(1, GST_VIDEO_COMP_U);
      plane(2, GST_VIDEO_COMP_V);
      return sample;
    case GST_VIDEO_FORMAT_NV12:
    case GST_VIDEO_FORMAT_NV21:
      sample.layout = GST_VIDEO_FRAME_FORMAT(&frame) == GST_VIDEO_FORMAT_NV12 ? VideoSample::Layout::Nv12
                                                                              : VideoSample::Layout::Nv21;
      for (int index : {0, 1}) {
        sample.planes[index] = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, index));
        sample.strides[index] = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, index);
      }
      return sample;
    default:
      sample.packedFormat = imageFormat(GST_VIDEO_FRAME_FORMAT(&frame));
      if (sample.packedFormat == QImage::Format_Invalid)
        return {};
      sample.layout = VideoSample::Layout::Packed;
      sample.planes[0] = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
      sample.strides[0] = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
      return sample;
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
      callback->BufferCB(VideoSample());  // only counts as rendered
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
    if (GST_VIDEO_INFO_FORMAT(&info) == GST_VIDEO_FORMAT_UNKNOWN ||
        !gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) {
      callback->BufferCB(VideoSample());
      return;
    }
    // Points into the mapped memory; BufferCB converts what it keeps.
    callback->BufferCB(sampleOf(frame));
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
