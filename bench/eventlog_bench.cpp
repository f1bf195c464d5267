// Writes 200,000 entries into an event log and compares the cost of the first thousand
// after entry 1 and the last thousand: an entry must not get dearer as the log grows, whichever section it
// goes to. Cases: the last section of a fresh log; the first of several sections of a
// large log; and two writers taking turns on the first and last sections of a large
// log, as two programs with a camera each do.

#include "eventlog/event_log.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <numeric>
#include <vector>

namespace {

constexpr int kEntries = 200000;
constexpr int kWindow = 1000;

double meanMicroseconds(std::vector<double>::const_iterator first, std::vector<double>::const_iterator last) {
  return std::accumulate(first, last, 0.0) / double(last - first);
}

// The median is the steadier figure on a busy machine.
double medianMicroseconds(std::vector<double>::const_iterator first,
                          std::vector<double>::const_iterator last) {
  std::vector<double> window(first, last);
  std::nth_element(window.begin(), window.begin() + window.size() / 2, window.end());
  return window[window.size() / 2];
}

// A log of about 14 MB in four sections of earlier motion events.
bool writeLargeLog(const QString& path) {
  QByteArray content;
  for (int camera = 1; camera <= 4; ++camera) {
    content += "[Camera " + QByteArray::number(camera) + "]\r\n";
    for (int n = 0; n < 60000; ++n)
      content += "Motion Captured On 12-8-26 9-46-" + QByteArray::number(n) + " PM earlier=Images\r\n";
  }
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

// Times each of kEntries calls of write(n); the first warmUp are not steady state.
void measure(const char* name, int warmUp, const std::function<void(int)>& write, qint64 (*fileSize)()) {
  std::vector<double> micros(kEntries);
  const auto started = std::chrono::steady_clock::now();
  for (int n = 0; n < kEntries; ++n) {
    const auto before = std::chrono::steady_clock::now();
    write(n);
    micros[size_t(n)] =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - before).count();
  }
  const double totalSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  // The first entry of each writer reads the log and may move its section to the end
  // of the file, once: shown on their own, as are later entries that took a rewrite.
  const auto steady = micros.begin() + warmUp;
  const double first = meanMicroseconds(steady, steady + kWindow);
  const double last = meanMicroseconds(micros.end() - kWindow, micros.end());
  const double warmUpMax = *std::max_element(micros.begin(), steady);
  const auto rewrites = std::count_if(steady, micros.end(), [](double us) { return us > 100000; });
  const double firstMedian = medianMicroseconds(steady, steady + kWindow);
  const double lastMedian = medianMicroseconds(micros.end() - kWindow, micros.end());
  std::printf(
      "%-13s total_s=%.2f file_mb=%.1f warm_up_us=%.0f later_over_100ms=%lld PER_ENTRY first_us=%.2f "
      "last_us=%.2f ratio=%.2f MEDIAN first_us=%.2f last_us=%.2f ratio=%.2f\n",
      name, totalSeconds, double(fileSize()) / 1e6, warmUpMax, static_cast<long long>(rewrites), first, last,
      last / first, firstMedian, lastMedian, lastMedian / firstMedian);
  std::fflush(stdout);
}

QString g_path;
qint64 logSize() { return QFile(g_path).size(); }

QString key(int n) { return QStringLiteral("Motion Captured On 12-8-26 %1").arg(n); }

}  // namespace

int main() {
  QTemporaryDir folder;
  if (!folder.isValid()) {
    std::fprintf(stderr, "cannot create a temporary folder\n");
    return 1;
  }
  const QString images = QStringLiteral("Images");

  g_path = folder.filePath(QStringLiteral("fresh.log"));
  {
    EventLog log;
    log.Open(g_path);
    measure(
        "last-section", 1, [&](int n) { log.WriteEntry(QStringLiteral("Camera 1"), key(n), images); },
        logSize);
  }

  g_path = folder.filePath(QStringLiteral("first.log"));
  if (!writeLargeLog(g_path))
    return 1;
  {
    EventLog log;
    log.Open(g_path);
    measure(
        "first-section", 1, [&](int n) { log.WriteEntry(QStringLiteral("Camera 1"), key(n), images); },
        logSize);
  }

  g_path = folder.filePath(QStringLiteral("turns.log"));
  if (!writeLargeLog(g_path))
    return 1;
  {
    EventLog first;
    first.Open(g_path);
    EventLog last;
    last.Open(g_path);
    measure(
        "two-writers", 2,
        [&](int n) {
          if (n % 2 == 0)
            first.WriteEntry(QStringLiteral("Camera 1"), key(n), images);
          else
            last.WriteEntry(QStringLiteral("Camera 4"), key(n), images);
        },
        logSize);
  }
  return 0;
}
