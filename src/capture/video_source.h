#pragma once

#include <QList>
#include <QString>

// One --source NAME=URI entry: a video source listed in place of the system's
// capture devices. URI forms: "demo:", "test:PATTERN", "file:///...", "rtsp://...",
// "http(s)://...", "v4l2:///dev/videoN", "gst:DESCRIPTION".
struct VideoSourceEntry {
  QString name;
  QString uri;

  // Splits "NAME=URI" at the first '=' and checks both; throws Error with a text
  // that names the bad argument, or the control character in the name.
  static VideoSourceEntry parse(const QString& argument);
};

// Makes the catalogue list exactly these sources, in order, instead of the system's
// video capture devices; an empty list gives the system's devices back.
void setVideoSources(const QList<VideoSourceEntry>& sources);
const QList<VideoSourceEntry>& videoSources();
