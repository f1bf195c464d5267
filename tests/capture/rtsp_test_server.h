#pragma once

#include <QString>

#include <memory>

// An RTSP server on 127.0.0.1 at a free port, serving live test pictures under
// "/h264" and "/h265", each with its own encoder per client. It runs on its own
// thread until destroyed.
class RtspTestServer {
 public:
  RtspTestServer();
  ~RtspTestServer();
  RtspTestServer(const RtspTestServer&) = delete;
  RtspTestServer& operator=(const RtspTestServer&) = delete;

  // Empty when the server or an encoder it needs is missing.
  QString missing() const { return m_missing; }
  // "rtsp://127.0.0.1:PORT/NAME".
  QString url(const QString& mount) const;

 private:
  struct Loop;
  std::unique_ptr<Loop> m_loop;
  QString m_missing;
  int m_port = 0;
};
