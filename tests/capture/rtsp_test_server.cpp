// GIO names a member "signals", which Qt's keyword would replace: GLib comes first.
#include <gst/gst.h>
#include <gst/rtsp-server/rtsp-server.h>

#include "rtsp_test_server.h"

#include <thread>

// The pictures are small and keyframes come often, so a client sees a frame soon.
namespace {

const struct {
  const char* mount;
  const char* encoder;
  const char* launch;
} kStreams[] = {
    {"/h264", "x264enc",
     "( videotestsrc is-live=true pattern=ball ! video/x-raw,width=160,height=120,framerate=15/1 ! "
     "x264enc tune=zerolatency speed-preset=ultrafast key-int-max=15 ! rtph264pay name=pay0 pt=96 )"},
    {"/h265", "x265enc",
     "( videotestsrc is-live=true pattern=ball ! video/x-raw,width=160,height=120,framerate=15/1 ! "
     "x265enc tune=zerolatency speed-preset=ultrafast key-int-max=15 ! rtph265pay name=pay0 pt=96 )"},
};

}  // namespace

struct RtspTestServer::Loop {
  GMainContext* context = g_main_context_new();
  GMainLoop* loop = g_main_loop_new(context, FALSE);
  GstRTSPServer* server = gst_rtsp_server_new();
  guint source = 0;
  std::thread thread;

  ~Loop() {
    if (thread.joinable()) {
      g_main_loop_quit(loop);
      thread.join();
    }
    if (source) {
      GSource* attached = g_main_context_find_source_by_id(context, source);
      if (attached)
        g_source_destroy(attached);
    }
    g_object_unref(server);
    g_main_loop_unref(loop);
    g_main_context_unref(context);
  }
};

RtspTestServer::RtspTestServer() {
  gst_init(nullptr, nullptr);
  for (const auto& stream : kStreams) {
    if (GstElementFactory* factory = gst_element_factory_find(stream.encoder))
      gst_object_unref(factory);
    else
      m_missing = QStringLiteral("the %1 encoder is not installed").arg(QLatin1String(stream.encoder));
  }
  if (!m_missing.isEmpty())
    return;
  m_loop = std::make_unique<Loop>();
  gst_rtsp_server_set_address(m_loop->server, "127.0.0.1");
  gst_rtsp_server_set_service(m_loop->server, "0");  // any free port
  GstRTSPMountPoints* mounts = gst_rtsp_server_get_mount_points(m_loop->server);
  for (const auto& stream : kStreams) {
    GstRTSPMediaFactory* factory = gst_rtsp_media_factory_new();
    gst_rtsp_media_factory_set_launch(factory, stream.launch);
    gst_rtsp_mount_points_add_factory(mounts, stream.mount, factory);
  }
  g_object_unref(mounts);
  m_loop->source = gst_rtsp_server_attach(m_loop->server, m_loop->context);
  if (!m_loop->source) {
    m_missing = QStringLiteral("the RTSP server cannot listen on 127.0.0.1");
    return;
  }
  m_port = gst_rtsp_server_get_bound_port(m_loop->server);
  m_loop->thread = std::thread([loop = m_loop.get()] {
    g_main_context_push_thread_default(loop->context);
    g_main_loop_run(loop->loop);
    g_main_context_pop_thread_default(loop->context);
  });
}

RtspTestServer::~RtspTestServer() = default;

QString RtspTestServer::url(const QString& mount) const {
  return QStringLiteral("rtsp://127.0.0.1:%1/%2").arg(m_port).arg(mount);
}
