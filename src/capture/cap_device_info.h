#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

// What a catalogue entry refers to (a system device, an encoder factory or a
// --source URI); defined where the capture library binds it.
struct DeviceMonikerData;
using DeviceMoniker = std::shared_ptr<const DeviceMonikerData>;

// One catalogued device. Name is FriendlyName made unique within its list.
struct TCapDeviceInfo {
  QString FriendlyName;  // untrimmed, as the device reports it
  QString Name;
  DeviceMoniker Moniker;
};
using TCapDeviceList = QList<TCapDeviceInfo>;

enum class DeviceCategory { VideoInput, AudioInput, VideoCompressor, AudioCompressor };

// The four process-wide lists, used from the UI thread only.
TCapDeviceList& VideoDevices();
TCapDeviceList& AudioDevices();
TCapDeviceList& VideoCompressors();
TCapDeviceList& AudioCompressors();

void RefreshDeviceList(DeviceCategory category, TCapDeviceList& list);
void RefreshAllDeviceLists();
void ClearAllDeviceLists();
// Exact, case-sensitive match of Name; an empty name finds nothing.
DeviceMoniker FindDeviceMoniker(const TCapDeviceList& list, const QString& name);
QStringList GetVideoDeviceNames(bool refresh);

// The naming rule of the lists: blank names are skipped; the n-th device with the
// same friendly name is called "FriendlyName (n)" from n = 2 on.
void AddCapDevice(TCapDeviceList& list, const QString& friendlyName, DeviceMoniker moniker);
