#include "termination_signals.h"

#include "base/error.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>
#include <csignal>

namespace {

int g_pipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int) {
  const int savedErrno = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
  errno = savedErrno;
}

void setHandler(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
  if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
    throw Error(QStringLiteral("Cannot watch the termination signals"));
  m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
  connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);
  setHandler(onTerminationSignal);
}

TerminationSignals::~TerminationSignals() {
  setHandler(SIG_DFL);
  delete m_notifier;
  ::close(g_pipe[0]);
  ::close(g_pipe[1]);
  g_pipe[0] = g_pipe[1] = -1;
}

void TerminationSignals::readPipe() {
  char buffer[16];
  bool any = false;
  while (::read(g_pipe[0], buffer, sizeof buffer) > 0) any = true;
  if (any)
    emit received();
}
