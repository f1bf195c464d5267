#include "gst_support.h"

#include <mutex>

namespace media {

void ensureMediaFramework() {
  static std::once_flag once;
  std::call_once(once, [] { gst_init(nullptr, nullptr); });
}

std::vector<GstRef<GstDevice>> monitoredDevices(const char* deviceClass) {
  GstRef<GstDeviceMonitor> monitor(gst_device_monitor_new());
  gst_device_monitor_add_filter(monitor.get(), deviceClass, nullptr);
  GList* devices = gst_device_monitor_get_devices(monitor.get());
  std::vector<GstRef<GstDevice>> result;
  for (GList* item = devices; item; item = item->next)
    result.emplace_back(GST_DEVICE(item->data));  // takes the list's reference
  g_list_free(devices);
  return result;
}

}  // namespace media
