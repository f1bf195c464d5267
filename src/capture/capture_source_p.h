#pragma once

#include "capture/demo_scene.h"
#include "capture/video_format.h"
#include "media/gst_support.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct DeviceMonikerData;

namespace capture_detail {

using media::addRef;
using media::CapsRef;
using media::ensureMediaFramework;
using media::GstRef;
using media::PipelineRef;

// The video capture filter of a graph: a bin holding the source and the capsfilter
// that stands for its stream configuration, with one "src" pad. Sources with a list
// of capabilities (devices, "demo:", "test:") select one through the capsfilter;
// the others offer their stream's own format once it has been negotiated.
class CaptureSource {
 public:
  // The source element of a --source URI, not yet in a bin; null with *failure set.
  static GstRef<GstElement> createSourceElement(const QString& uri, QString* failure);
  static std::unique_ptr<CaptureSource> bind(const DeviceMonikerData& moniker, QString* failure);
  ~CaptureSource();

  GstElement* element() const { return m_bin.get(); }
  // A DV device: its stream is interleaved DV.
  bool isDv() const;
  // Called before each run, while stopped: a built-in source starts its scene
  // again, a "gst:" description is made anew.
  void rewind();
  // Calls known on a streaming thread whenever a source without a list of formats
  // has negotiated its stream's format.
  void watchStreamFormat(std::function<void()> known);

  int formatCount() const;
  TVideoFormat format(int index) const;
  TVideoFormat currentFormat() const;
  bool setFormat(int index);
  // Fixes the rate of the current format; false when there is no current format.
  bool setFrameRate(double framesPerSecond);

 private:
  struct Capability {
    TVideoFormat format;
    CapsRef caps;
  };
  struct DemoFeeder;

  CaptureSource() = default;
  void applyCaps(GstCaps* caps);
  void parseAgain();
  std::optional<TVideoFormat> negotiatedFormat() const;

  GstRef<GstElement> m_bin;
  GstElement* m_filter = nullptr;  // owned by m_bin
  std::vector<Capability> m_capabilities;
  int m_current = -1;
  bool m_dv = false;  // a stream that offers interleaved DV
  mutable std::optional<TVideoFormat> m_lastNegotiated;
  std::unique_ptr<DemoFeeder> m_demo;
  QString m_description;           // the "gst:" URI
  GstElement* m_parsed = nullptr;  // its bin, owned by m_bin
  bool m_hasRun = false;
};

// The format of one caps structure (rates from its framerate value, list or range).
TVideoFormat videoFormatFromCaps(const GstStructure* structure);

}  // namespace capture_detail
