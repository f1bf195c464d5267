#pragma once

#include "alarm/ecb_audio_play_error.h"
#include "base/prompts.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

// The display names of the audio output devices ("Audio/Sink"), listed once per
// process on first use; call it at start-up, before any player exists.
const QStringList& AudioDeviceNames();

// The wave format of the audio as it reaches the sample tap.
struct TWaveFormat {
  quint16 FormatTag = 0;  // 1 integer PCM, 3 floating point
  quint16 Channels = 0;
  quint32 SamplesPerSec = 0;
  quint32 AvgBytesPerSec = 0;
  quint16 BlockAlign = 0;
  quint16 BitsPerSample = 0;
};

// Plays one sound file. A file with a picture track plays only its sound: the
// picture goes to a null renderer ("Void render"), so no window opens. Whoever
// creates a player frees it; destroying a playing player ends the sound.
//
// Everything runs on the thread that created the player (the UI thread), except
// OnBuffer, which runs on the media framework's streaming thread. The end of the
// sound reaches HandleGraphEvents as a queued call, never inside a framework
// callback; an error raised there is shown through Prompts.
class TcbAudioPlay {
 public:
  enum class PlayState : qint32 { Stopped = 0, Paused = 1, Running = 2 };
  enum SeekingCapability : quint32 {
    CanSeekAbsolute = 0x1,
    CanSeekForwards = 0x2,
    CanSeekBackwards = 0x4,
    CanGetCurrentPos = 0x8,
    CanGetDuration = 0x20,
  };
  enum class Positioning { Absolute, Relative };

  // The desktop's default output, as its sound settings choose it.
  static constexpr int kDefaultOutput = -1;

  // Builds the playback chain for FileName on the device AudioDeviceNames()[DeviceIndex],
  // a device the user named, or on the default output for kDefaultOutput (and any
  // index out of range), and leaves it stopped. Throws EcbAudioPlayError; on
  // failure nothing is kept.
  TcbAudioPlay(Prompts& prompts, QObject* Owner, int DeviceIndex, const QString& FileName);
  ~TcbAudioPlay();
  TcbAudioPlay(const TcbAudioPlay&) = delete;
  TcbAudioPlay& operator=(const TcbAudioPlay&) = delete;

  // Each waits until the state is reached; not within 5 s is a failed call.
  void Play();
  void Pause();
  void Stop();
  // Position in units of 100 ns. The stop position stays as it is.
  void SetPosition(qint64 Position, Positioning Flags);
  // Drains the framework's events. At the end of the media: stop (or, with Loop,
  // rewind and play again), then OnComplete. An error while playing stops the
  // player, raises OnComplete so its owner goes back to rest, then is thrown.
  void HandleGraphEvents();

  // Raised on the UI thread after the end of playback was handled. It must not
  // free the player.
  std::function<void(TcbAudioPlay* Sender)> OnComplete;
  // Raised on the streaming thread for every audio buffer at the sample tap;
  // assign it before Play and touch no UI object from it.
  std::function<void(TcbAudioPlay* Sender, const quint8* Buffer, qint32 Length)> OnBuffer;
  bool Loop = false;

  QObject* Owner() const { return m_owner; }
  QString FileName() const { return m_fileName; }
  int DeviceIndex() const { return m_deviceIndex; }
  qint64 Duration() const { return m_duration; }  // 100 ns units; 0 when unknown
  quint32 Capabilities() const { return m_capabilities; }
  PlayState State() const { return m_state; }
  bool HasGrabber() const { return m_hasGrabber; }
  const std::optional<TWaveFormat>& AudioFormat() const { return m_audioFormat; }
  // The names of the graph's renderers (its sink elements), for a look at what
  // the file was rendered to.
  QStringList RendererNames() const;

  // How many players exist in this process.
  static int liveCount();

 private:
  struct Graph;

  void build();
  void checkRendered();
  void readSeeking();
  void changeState(PlayState target);

  Prompts& m_prompts;
  QObject* m_owner;
  QString m_fileName;
  int m_deviceIndex;
  qint64 m_duration = 0;
  quint32 m_capabilities = 0;
  PlayState m_state = PlayState::Stopped;
  bool m_hasGrabber = false;
  std::optional<TWaveFormat> m_audioFormat;
  std::unique_ptr<QObject> m_listener;  // receives the queued event notifications
  std::unique_ptr<Graph> m_graph;       // torn down first: it calls into the members above
};
