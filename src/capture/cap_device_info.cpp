#include "cap_device_info.h"

#include "capture/device_moniker_p.h"
#include "capture/video_source.h"

using media::ensureMediaFramework;
using media::GstRef;

namespace {

// Blank means nothing but spaces and control characters.
bool isBlank(const QString& name) {
  for (QChar ch : name) {
    if (!ch.isSpace() && ch.category() != QChar::Other_Control)
      return false;
  }
  return true;
}

void addMonitoredDevices(const char* deviceClass, TCapDeviceList& list) {
  for (GstRef<GstDevice>& device : media::monitoredDevices(deviceClass)) {
    gchar* name = gst_device_get_display_name(device.get());
    auto moniker = std::make_shared<DeviceMonikerData>();
    moniker->device = std::move(device);
    AddCapDevice(list, QString::fromUtf8(name ? name : ""), std::move(moniker));
    g_free(name);
  }
}

void addEncoders(GstElementFactoryListType type, TCapDeviceList& list) {
  GList* factories = gst_element_factory_list_get_elements(type, GST_RANK_NONE);
  factories = g_list_sort(factories, gst_plugin_feature_rank_compare_func);
  for (GList* item = factories; item; item = item->next) {
    auto* factory = GST_ELEMENT_FACTORY(item->data);
    auto moniker = std::make_shared<DeviceMonikerData>();
    moniker->factoryName = QString::fromUtf8(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)));
    AddCapDevice(list,
                 QString::fromUtf8(gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_LONGNAME)),
                 std::move(moniker));
  }
  gst_plugin_feature_list_free(factories);
}

void addVideoSources(TCapDeviceList& list) {
  for (const VideoSourceEntry& source : videoSources()) {
    auto moniker = std::make_shared<DeviceMonikerData>();
    moniker->sourceUri = source.uri;
    AddCapDevice(list, source.name, std::move(moniker));
  }
}

}  // namespace

TCapDeviceList& VideoDevices() {
  static TCapDeviceList list;
  return list;
}
TCapDeviceList& AudioDevices() {
  static TCapDeviceList list;
  return list;
}
TCapDeviceList& VideoCompressors() {
  static TCapDeviceList list;
  return list;
}
TCapDeviceList& AudioCompressors() {
  static TCapDeviceList list;
  return list;
}

void AddCapDevice(TCapDeviceList& list, const QString& friendlyName, DeviceMoniker moniker) {
  if (isBlank(friendlyName))
    return;
  int n = 1;
  for (const TCapDeviceInfo& entry : list) {
    if (entry.FriendlyName == friendlyName)
      ++n;
  }
  QString name = friendlyName;
  if (n > 1)
    name += QStringLiteral(" (%1)").arg(n);
  list.append({friendlyName, name, std::move(moniker)});
}

void RefreshDeviceList(DeviceCategory category, TCapDeviceList& list) {
  list.clear();
  ensureMediaFramework();
  switch (category) {
    case DeviceCategory::VideoInput:
      if (videoSources().isEmpty())
        addMonitoredDevices("Video/Source", list);
      else
        addVideoSources(list);
      break;
    case DeviceCategory::AudioInput: addMonitoredDevices("Audio/Source", list); break;
    case DeviceCategory::VideoCompressor: addEncoders(GST_ELEMENT_FACTORY_TYPE_VIDEO_ENCODER, list); break;
    case DeviceCategory::AudioCompressor: addEncoders(GST_ELEMENT_FACTORY_TYPE_AUDIO_ENCODER, list); break;
  }
}

void RefreshAllDeviceLists() {
  RefreshDeviceList(DeviceCategory::VideoInput, VideoDevices());
  RefreshDeviceList(DeviceCategory::AudioInput, AudioDevices());
  RefreshDeviceList(DeviceCategory::VideoCompressor, VideoCompressors());
  RefreshDeviceList(DeviceCategory::AudioCompressor, AudioCompressors());
}

void ClearAllDeviceLists() {
  VideoDevices().clear();
  AudioDevices().clear();
  VideoCompressors().clear();
  AudioCompressors().clear();
}

DeviceMoniker FindDeviceMoniker(const TCapDeviceList& list, const QString& name) {
  if (name.isEmpty())
    return {};
  for (const TCapDeviceInfo& entry : list) {
    if (entry.Name == name)
      return entry.Moniker;
  }
  return {};
}

QStringList GetVideoDeviceNames(bool refresh) {
  if (refresh || VideoDevices().isEmpty())
    RefreshDeviceList(DeviceCategory::VideoInput, VideoDevices());
  QStringList names;
  for (const TCapDeviceInfo& entry : VideoDevices()) names.append(entry.Name);
  return names;
}
