#include "app/console_echo.h"

#include "support/event_loop.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>
#include <csignal>

namespace {

// A pipe of the smallest size whose reader the test controls; the echo gets the
// writing end, the test keeps a second one to fill the pipe.
class Pipe {
 public:
  Pipe() {
    int ends[2];
    EXPECT_EQ(::pipe2(ends, O_CLOEXEC | O_NONBLOCK), 0);
    m_read = ends[0];
    m_write = ends[1];
    ::fcntl(m_write, F_SETPIPE_SZ, 4096);
  }
  ~Pipe() {
    closeReader();
    if (m_filler >= 0)
      ::close(m_filler);
  }
  int takeWriter() {
    m_filler = ::fcntl(m_write, F_DUPFD_CLOEXEC, 3);
    return m_write;
  }
  // Writes filler lines until the pipe is full; returns how many bytes it took.
  qsizetype fill() {
    qsizetype total = 0;
    const QByteArray filler(63, 'x');
    while (::write(m_filler, (filler + '\n').constData(), 64) > 0) total += 64;
    return total;
  }
  QByteArray readAvailable() {
    QByteArray data;
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(m_read, buffer, sizeof buffer)) > 0) data.append(buffer, got);
    return data;
  }
  void closeReader() {
    if (m_read >= 0)
      ::close(m_read);
    m_read = -1;
  }

 private:
  int m_read = -1;
  int m_write = -1;
  int m_filler = -1;
};

TEST(ConsoleEchoTest, LinesGoOutWholeWithLineBreaksFlattened) {
  Pipe pipe;
  ConsoleEcho echo(pipe.takeWriter());
  echo.writeLine("first");
  echo.writeLine("two\rlines\r\n");
  EXPECT_EQ(pipe.readAvailable(), "first\ntwo / lines\n");
}

TEST(ConsoleEchoTest, AFullOutputNeverBlocksDropsBeyondTheQueueAndSaysSoWhenItDrains) {
  Pipe pipe;
  ConsoleEcho echo(pipe.takeWriter());
  const qsizetype filler = pipe.fill();
  ASSERT_GT(filler, 0);
  const int extra = 10;
  QElapsedTimer timer;
  timer.start();
  for (int i = 0; i < int(ConsoleEcho::kQueuedLines) + extra; ++i)
    echo.writeLine(QStringLiteral("line %1").arg(i));
  EXPECT_LT(timer.elapsed(), 5000);  // returned although nobody reads

  QByteArray out;
  const QByteArray notice = "... " + QByteArray::number(extra) + " lines dropped while the output was full\n";
  EXPECT_TRUE(waitUntil([&] {
    out += pipe.readAvailable();
    return out.endsWith(notice);
  })) << out.right(200).toStdString();
  const QList<QByteArray> lines = out.mid(filler).split('\n');
  ASSERT_GE(lines.size(), int(ConsoleEcho::kQueuedLines) + 1);
  EXPECT_EQ(lines[0], "line 0");
  EXPECT_EQ(lines[ConsoleEcho::kQueuedLines - 1],
            "line " + QByteArray::number(ConsoleEcho::kQueuedLines - 1));
  EXPECT_EQ(lines[ConsoleEcho::kQueuedLines] + '\n', notice);

  // Once drained, lines go straight out again.
  echo.writeLine("after");
  QByteArray after;
  EXPECT_TRUE(waitUntil([&] {
    after += pipe.readAvailable();
    return after == "after\n";
  })) << after.toStdString();
}

TEST(ConsoleEchoTest, AReaderThatGoesAwayEndsTheEchoOnly) {
  Pipe pipe;
  ConsoleEcho echo(pipe.takeWriter());
  echo.writeLine("seen");
  EXPECT_EQ(pipe.readAvailable(), "seen\n");
  pipe.closeReader();
  // The program ignores SIGPIPE from its start; so does this test, or it would die here.
  const auto previous = std::signal(SIGPIPE, SIG_IGN);
  echo.writeLine("nobody reads this");
  echo.writeLine("nor this");
  std::signal(SIGPIPE, previous);
  EXPECT_TRUE(echo.closed());
}

}  // namespace
