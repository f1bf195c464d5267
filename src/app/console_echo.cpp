#include "console_echo.h"

#include <QRegularExpression>
#include <QSocketNotifier>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace {

QString droppedNotice(qsizetype count) {
  return QStringLiteral("... %1 lines dropped while the output was full").arg(count);
}

// A descriptor of its own for the output: a pipe, terminal or FIFO opened anew gets
// its own non-blocking flag, so the shell sharing standard output is not touched.
int ownOutputDescriptor(int shared) {
  struct stat status {};
  if (::fstat(shared, &status) != 0)
    return -1;
  if (!S_ISREG(status.st_mode)) {
    const QByteArray path = "/proc/self/fd/" + QByteArray::number(shared);
    const int reopened = ::open(path.constData(), O_WRONLY | O_APPEND | O_NONBLOCK | O_CLOEXEC);
    if (reopened >= 0)
      return reopened;
  }
  return ::fcntl(shared, F_DUPFD_CLOEXEC, 3);
}

}  // namespace

ConsoleEcho::ConsoleEcho(int descriptor, QObject* parent) : QObject(parent), m_descriptor(descriptor) {
  const int flags = ::fcntl(m_descriptor, F_GETFL);
  if (flags >= 0)
    ::fcntl(m_descriptor, F_SETFL, flags | O_NONBLOCK);
  m_writable = new QSocketNotifier(m_descriptor, QSocketNotifier::Write, this);
  m_writable->setEnabled(false);
  connect(m_writable, &QSocketNotifier::activated, this, &ConsoleEcho::flush);
}

ConsoleEcho::~ConsoleEcho() {
  flush();  // what the output takes now; the rest is dropped
  close();
}

std::unique_ptr<ConsoleEcho> ConsoleEcho::takeStandardOutput() {
  const int descriptor = ownOutputDescriptor(STDOUT_FILENO);
  if (descriptor < 0)
    return nullptr;
  ::dup2(STDERR_FILENO, STDOUT_FILENO);
  return std::make_unique<ConsoleEcho>(descriptor);
}

void ConsoleEcho::writeLine(const QString& line) {
  if (closed())
    return;
  if (m_dropped > 0) {
    if (m_queue.size() + 2 > kQueuedLines) {
      ++m_dropped;
      return;
    }
    enqueue(droppedNotice(m_dropped));
    m_dropped = 0;
  } else if (m_queue.size() >= kQueuedLines) {
    ++m_dropped;
    return;
  }
  enqueue(line);
  if (!m_writable->isEnabled())
    flush();
}

void ConsoleEcho::enqueue(const QString& line) {
  static const QRegularExpression lineBreaks(QStringLiteral("\\s*[\r\n]+\\s*"));
  QString oneLine = line.trimmed();
  oneLine.replace(lineBreaks, QStringLiteral(" / "));
  m_queue.push_back(oneLine.toUtf8() + '\n');
}

void ConsoleEcho::flush() {
  while (!closed() && !m_queue.empty()) {
    const QByteArray& line = m_queue.front();
    const ssize_t written = ::write(m_descriptor, line.constData() + m_written, line.size() - m_written);
    if (written < 0 && errno == EINTR)
      continue;
    if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      m_writable->setEnabled(true);
      return;
    }
    if (written < 0) {
      close();  // the reader is gone (EPIPE) or the output failed
      return;
    }
    m_written += written;
    if (m_written < line.size())
      continue;
    m_queue.pop_front();
    m_written = 0;
    if (m_queue.empty() && m_dropped > 0) {
      enqueue(droppedNotice(m_dropped));
      m_dropped = 0;
    }
  }
  if (m_writable)
    m_writable->setEnabled(false);
}

void ConsoleEcho::close() {
  if (closed())
    return;
  delete m_writable;
  m_writable = nullptr;
  ::close(m_descriptor);
  m_descriptor = -1;
  m_queue.clear();
}
