#pragma once

#include <QString>

#include <optional>

// The two ways a motion picture leaves the machine.
enum class DeliveryChannel { Email, Ftp };

// The one seam between the main window and what it owns for others. The camera
// window and the delivery workers receive it; tests pass their own.
class AppServices {
 public:
  virtual ~AppServices() = default;

  // Writes one event log entry (section = camera caption, key, category).
  virtual void writeLogEntry(const QString& section, const QString& key, const QString& value) = 0;
  // The display name of the chosen video device.
  virtual QString VideoSource() const = 0;
  virtual void showBalloon(const QString& title, const QString& text) = 0;
  virtual bool AlarmSounding() const = 0;
  virtual void PlaySoundAlarm() = 0;

  // The dial-up use of the delivery workers, called from their threads: the
  // connection type ("Connection": 0 no Internet, 1 dial-up, 2 LAN) and dial entry
  // as read at start-up, and the shared reference count of that entry.
  virtual qint32 ConnectionType() const = 0;
  virtual qint32 DailNum() const = 0;
  virtual void AcquireConnection() = 0;
  virtual void ReleaseConnection() = 0;
  virtual bool IsConnected(qint32 index) = 0;

  // The camera window at `childIndex` among the main window's camera windows, on the
  // user-interface thread: its caption, none when no window is there; and a text
  // put into panel 1 or 2 of its status bar, nothing when no window is there.
  virtual std::optional<QString> cameraCaption(qint32 childIndex) const = 0;
  virtual void setCameraStatus(qint32 childIndex, int panel, const QString& text) = 0;

  // Moves the channel's staged pictures into a folder of their own and starts the
  // channel's worker for the camera window at `childIndex` (user-interface thread).
  virtual void startDelivery(DeliveryChannel channel, qint32 childIndex) = 0;
};
