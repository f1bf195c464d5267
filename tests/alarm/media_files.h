#pragma once

#include <QString>

#include <functional>

// Media files made for a test, and waiting on the UI thread's event loop.

// A mono 16-bit PCM WAV file of a 440 Hz tone at 22050 Hz.
void writeWav(const QString& path, double seconds);
// An AVI file with an MPEG-4 picture track of half a second and, when asked, a
// PCM sound track, made by GStreamer's test sources and muxer.
enum class SoundTrack { None, Present };
void writeVideo(const QString& path, SoundTrack sound);
// A file that no media framework can play.
void writeJunk(const QString& path);

// Runs the event loop until `done` holds or `timeoutMs` passed; returns `done()`.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 10000);
// Runs the event loop for `ms`.
void runEvents(int ms);

// The alarm sound this build made.
QString builtAlertWav();
