#pragma once

#include "media/gst_support.h"

#include <QString>

// Exactly one of the three is set.
struct DeviceMonikerData {
  media::GstRef<GstDevice> device;  // a device of the system's monitor
  QString factoryName;              // an encoder element factory
  QString sourceUri;                // a --source entry
};
