#include "media_files.h"
#include "support/files.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

template <class T>
void put(QByteArray& bytes, T value) {
  char raw[sizeof(T)];
  std::memcpy(raw, &value, sizeof(T));  // the test machines are little-endian, as WAV is
  bytes.append(raw, sizeof(T));
}

}  // namespace

void writeWav(const QString& path, double seconds) {
  constexpr quint32 rate = 22050;
  const auto frames = static_cast<quint32>(seconds * rate);
  QByteArray bytes;
  bytes.append("RIFF");
  put<quint32>(bytes, 36 + frames * 2);
  bytes.append("WAVEfmt ");
  put<quint32>(bytes, 16);
  put<quint16>(bytes, 1);  // PCM
  put<quint16>(bytes, 1);  // mono
  put<quint32>(bytes, rate);
  put<quint32>(bytes, rate * 2);
  put<quint16>(bytes, 2);
  put<quint16>(bytes, 16);
  bytes.append("data");
  put<quint32>(bytes, frames * 2);
  for (quint32 i = 0; i < frames; ++i)
    put<qint16>(bytes, static_cast<qint16>(8000 * std::sin(2 * M_PI * 440 * i / rate)));
  writeFile(path, bytes);
}

void writeVideo(const QString& path, SoundTrack sound) {
  gst_init(nullptr, nullptr);
  QString description =
      QStringLiteral(
          "videotestsrc num-buffers=15 ! video/x-raw,width=160,height=120,framerate=30/1 ! avenc_mpeg4 ! "
          "avimux name=mux ! filesink location=\"%1\"")
          .arg(path);
  if (sound == SoundTrack::Present)
    description += QStringLiteral(
        " audiotestsrc num-buffers=11 samplesperbuffer=1024 ! "
        "audio/x-raw,format=S16LE,rate=22050,channels=1 ! mux.");
  GError* error = nullptr;
  GstElement* pipeline = gst_parse_launch(description.toUtf8().constData(), &error);
  ASSERT_TRUE(pipeline && !error) << (error ? error->message : "no pipeline");
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  GstBus* bus = gst_element_get_bus(pipeline);
  GstMessage* message =
      gst_bus_timed_pop_filtered(bus, 20 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  const bool finished = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
  if (message)
    gst_message_unref(message);
  gst_object_unref(bus);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  ASSERT_TRUE(finished) << "could not make " << path.toStdString();
}

void writeJunk(const QString& path) {
  QByteArray bytes;
  for (int i = 0; i < 20000; ++i) bytes.append(static_cast<char>((i * 7919 + 13) % 251));
  writeFile(path, bytes);
}

QString builtAlertWav() { return QStringLiteral(QUORVEX_ALERT_WAV); }
