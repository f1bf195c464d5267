#pragma once

#include "capture/gst_handles_p.h"

#include <QString>

// Exactly one of the three is set.
struct DeviceMonikerData {
  capture_detail::GstRef<GstDevice> device;  // a device of the system's monitor
  QString factoryName;                       // an encoder element factory
  QString sourceUri;                         // a --source entry
};
