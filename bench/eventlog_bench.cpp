// Writes 200,000 entries to one section of a fresh event log and compares the cost
// of the first and the last thousand: an entry must not get dearer as the log grows.

#include "eventlog/event_log.h"

#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <numeric>
#include <vector>

namespace {

constexpr int kEntries = 200000;
constexpr int kWindow = 1000;

double meanMicroseconds(std::vector<double>::const_iterator first, std::vector<double>::const_iterator last) {
  return std::accumulate(first, last, 0.0) / double(last - first);
}

}  // namespace

int main() {
  QTemporaryDir folder;
  if (!folder.isValid()) {
    std::fprintf(stderr, "cannot create a temporary folder\n");
    return 1;
  }
  EventLog log;
  log.Open(folder.filePath(QStringLiteral("Quorvex.log")));

  // Every entry is echoed on standard output; keep that cost but not the flood.
  std::fflush(stdout);
  const int savedStdout = ::dup(STDOUT_FILENO);
  const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  ::dup2(devNull, STDOUT_FILENO);

  std::vector<double> micros(kEntries);
  const auto started = std::chrono::steady_clock::now();
  for (int n = 0; n < kEntries; ++n) {
    const QString key = QStringLiteral("Motion Captured On %1").arg(n);
    const auto before = std::chrono::steady_clock::now();
    log.WriteEntry(QStringLiteral("Camera 1"), key, QStringLiteral("Images"));
    micros[size_t(n)] =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - before).count();
  }
  const double totalSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

  std::fflush(stdout);
  ::dup2(savedStdout, STDOUT_FILENO);
  ::close(savedStdout);
  ::close(devNull);

  std::printf("entries=%d total_s=%.2f keys_listed=%lld\n", kEntries, totalSeconds,
              static_cast<long long>(log.ListKeys(QStringLiteral("Camera 1")).size()));
  std::printf("PER_ENTRY first_us=%.2f last_us=%.2f\n",
              meanMicroseconds(micros.begin(), micros.begin() + kWindow),
              meanMicroseconds(micros.end() - kWindow, micros.end()));
  return 0;
}
