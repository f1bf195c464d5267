#pragma once

#include "support/event_loop.h"

#include <QString>

#include <functional>

// Media files made for a test.

// A mono 16-bit PCM WAV file of a 440 Hz tone at 22050 Hz.
void writeWav(const QString& path, double seconds);
// An AVI file with an MPEG-4 picture track of half a second and, when asked, a
// PCM sound track, made by GStreamer's test sources and muxer.
enum class SoundTrack { None, Present };
void writeVideo(const QString& path, SoundTrack sound);
// A file that no media framework can play.
void writeJunk(const QString& path);

// The alarm sound this build made.
QString builtAlertWav();
