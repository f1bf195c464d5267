#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <deque>
#include <memory>

class QSocketNotifier;

// Writes lines to an output (standard output of a headless run) without ever
// blocking the UI thread: the descriptor is non-blocking, lines the output cannot
// take yet wait in a bounded queue that drains when it becomes writable, and lines
// beyond the queue are dropped and counted; once there is room again one line says
// how many. An output whose reader is gone is given up silently.
class ConsoleEcho : public QObject {
  Q_OBJECT

 public:
  static constexpr std::size_t kQueuedLines = 256;

  // Takes over the descriptor and makes it non-blocking.
  explicit ConsoleEcho(int descriptor, QObject* parent = nullptr);
  ~ConsoleEcho() override;

  // Takes over standard output for the echo and sends anything else written there
  // (libraries' messages) to standard error; null when there is no standard output.
  static std::unique_ptr<ConsoleEcho> takeStandardOutput();

  // One line; line breaks inside it become " / ".
  void writeLine(const QString& line);
  bool closed() const { return m_descriptor < 0; }

 private:
  void enqueue(const QString& line);
  void flush();
  void close();

  int m_descriptor;
  QSocketNotifier* m_writable = nullptr;
  std::deque<QByteArray> m_queue;
  qsizetype m_written = 0;  // bytes of the first queued line already written
  qsizetype m_dropped = 0;
};
