#include "monitor/bmp_to_jpeg.h"

#include "base/error.h"
#include "support/files.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSet>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// Smooth shading with a different course in each channel, so swapped colours show.
FrameBitmap testPicture(int width, int height) {
  FrameBitmap picture(width, height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = picture.scanLine(y);
    for (int x = 0; x < width; ++x) {
      row[3 * x + 0] = std::uint8_t(x * 255 / width);                         // blue
      row[3 * x + 1] = std::uint8_t(y * 255 / height);                        // green
      row[3 * x + 2] = std::uint8_t(230 - (x + y) * 200 / (width + height));  // red
    }
  }
  return picture;
}

// A picture that compresses badly, for writes that must be large.
FrameBitmap noisePicture(int width, int height) {
  FrameBitmap picture(width, height);
  std::uint32_t state = 12345;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = picture.scanLine(y);
    for (int x = 0; x < width * 3; ++x) {
      state = state * 1664525u + 1013904223u;
      row[x] = std::uint8_t(state >> 24);
    }
  }
  return picture;
}

struct JpegHeader {
  bool jfif = false;
  bool baseline = false;  // SOF0
  int width = 0, height = 0, components = 0;
  int lumaSampling = 0;    // horizontal << 4 | vertical of the first component
  int lumaTable[64] = {};  // table 0 in zig-zag order, as stored in the file
  bool hasLumaTable = false;
};

// Reads the markers before the scan straight from the bytes, so the check does not
// depend on the library that wrote them.
JpegHeader readHeader(const QByteArray& bytes) {
  JpegHeader header;
  const auto byte = [&](qsizetype i) { return int(std::uint8_t(bytes.at(i))); };
  if (bytes.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8)
    return header;
  qsizetype at = 2;
  while (at + 4 <= bytes.size() && byte(at) == 0xFF) {
    const int marker = byte(at + 1);
    const qsizetype length = byte(at + 2) << 8 | byte(at + 3);
    const qsizetype body = at + 4;
    if (marker == 0xDA || body + length - 2 > bytes.size())
      break;
    if (marker == 0xE0)
      header.jfif = bytes.mid(body, 5) == QByteArray("JFIF\0", 5);
    if (marker == 0xC0 || marker == 0xC2) {
      header.baseline = marker == 0xC0;
      header.height = byte(body + 1) << 8 | byte(body + 2);
      header.width = byte(body + 3) << 8 | byte(body + 4);
      header.components = byte(body + 5);
      header.lumaSampling = byte(body + 7);
    }
    for (qsizetype t = body; marker == 0xDB && t < body + length - 2; t += 65) {
      if (byte(t) == 0x00) {  // 8-bit table number 0
        for (int i = 0; i < 64; ++i) header.lumaTable[i] = byte(t + 1 + i);
        header.hasLumaTable = true;
      }
    }
    at = body + length - 2;
  }
  return header;
}

// The standard luminance table scaled to quality 90 (scale factor 20 %), in the
// zig-zag order of the file.
void expectQuality90Luminance(const int (&zigzag)[64]) {
  static const int kStandard[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                                    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                                    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                                    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
  static const int kNaturalOrder[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                        12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                        35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                        58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
  for (int i = 0; i < 64; ++i) {
    const int expected = std::clamp((kStandard[kNaturalOrder[i]] * 20 + 50) / 100, 1, 255);
    EXPECT_EQ(zigzag[i], expected) << "zig-zag position " << i;
  }
}

QStringList folderEntries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Makes writes past `bytes` fail with "File too large" for the life of the object.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &m_saved);
    rlimit limit = m_saved;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &m_saved);
    std::signal(SIGXFSZ, SIG_DFL);
  }

 private:
  rlimit m_saved{};
};

}  // namespace

TEST(BmpToJpegTest, WritesBaselineJfifAtQuality90ThatDecodesToTheFrame) {
  TempHome home;
  TBmpToJpeg writer;
  writer.Image = testPicture(640, 480);
  writer.JpegFile = home.file(QStringLiteral("Time 21-46-10 Nr 0.jpg"));
  writer.SaveJpeg();

  const JpegHeader header = readHeader(readFile(writer.JpegFile));
  EXPECT_TRUE(header.jfif);
  EXPECT_TRUE(header.baseline);
  EXPECT_EQ(header.width, 640);
  EXPECT_EQ(header.height, 480);
  EXPECT_EQ(header.components, 3);
  EXPECT_EQ(header.lumaSampling, 0x22);  // the library's default 2x2 for Y
  ASSERT_TRUE(header.hasLumaTable);
  expectQuality90Luminance(header.lumaTable);

  // Colours must come out in the right order: compare against the source pixels.
  const QImage decoded = QImage(writer.JpegFile).convertToFormat(QImage::Format_BGR888);
  ASSERT_EQ(decoded.size(), QSize(640, 480));
  const QImage& source = writer.Image.image();
  long long difference = 0;
  for (int y = 0; y < 480; ++y) {
    const std::uint8_t* a = decoded.constScanLine(y);
    const std::uint8_t* b = source.constScanLine(y);
    for (int i = 0; i < 640 * 3; ++i) difference += std::abs(int(a[i]) - int(b[i]));
  }
  EXPECT_LT(double(difference) / (640.0 * 480.0 * 3.0), 3.0);
  EXPECT_EQ(folderEntries(home.path()).filter(QStringLiteral(".part")), QStringList());
}

TEST(BmpToJpegTest, ReplacesAnExistingFileAndLeavesNothingElse) {
  TempHome home;
  const QString folder = home.file(QStringLiteral("TimedImages"));
  QDir().mkpath(folder);
  TBmpToJpeg writer;
  writer.JpegFile = folder + QStringLiteral("/Time 21-46-40.jpg");
  writer.Image = testPicture(64, 48);
  writer.SaveJpeg();
  writer.Image = testPicture(32, 16);
  writer.SaveJpeg();
  EXPECT_EQ(QImage(writer.JpegFile).size(), QSize(32, 16));
  EXPECT_EQ(folderEntries(folder), QStringList{QStringLiteral("Time 21-46-40.jpg")});
}

TEST(BmpToJpegTest, FolderThatCannotBeCreatedNamesTheFileAndWritesNothing) {
  TempHome home;
  const QString blocker = home.file(QStringLiteral("Images"));
  QFile file(blocker);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  TBmpToJpeg writer;
  writer.Image = testPicture(64, 48);
  writer.JpegFile = blocker + QStringLiteral("/08-12-2026/Time 21-46-10 Nr 0.jpg");
  try {
    writer.SaveJpeg();
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(error.message(),
              QStringLiteral("Cannot create file \"%1\". Not a directory").arg(writer.JpegFile));
  }
  EXPECT_EQ(folderEntries(home.path()), QStringList{QStringLiteral("Images")});
  EXPECT_EQ(QFileInfo(blocker).size(), 0);
}

TEST(BmpToJpegTest, FailedWriteKeepsThePreviousFileAndLeavesNoPartialOne) {
  TempHome home;
  TBmpToJpeg writer;
  writer.JpegFile = home.file(QStringLiteral("Time 21-46-40.jpg"));
  writer.Image = testPicture(32, 16);
  writer.SaveJpeg();
  const QByteArray previous = readFile(writer.JpegFile);

  writer.Image = noisePicture(640, 480);  // well over the limit below
  {
    const FileSizeLimit limit(64 * 1024);
    try {
      writer.SaveJpeg();
      ADD_FAILURE() << "no error";
    } catch (const Error& error) {
      EXPECT_EQ(error.message(),
                QStringLiteral("Cannot create file \"%1\". File too large").arg(writer.JpegFile));
    }
  }
  EXPECT_EQ(readFile(writer.JpegFile), previous);
  EXPECT_EQ(folderEntries(home.path()), QStringList{QStringLiteral("Time 21-46-40.jpg")});
}

TEST(BmpToJpegTest, EmptyPictureIsRefusedWithoutAFile) {
  TempHome home;
  TBmpToJpeg writer;
  writer.JpegFile = home.file(QStringLiteral("Time 21-46-40.jpg"));
  EXPECT_THROW(writer.SaveJpeg(), Error);
  EXPECT_EQ(folderEntries(home.path()), QStringList());
}

TEST(BmpToJpegTest, NewFileTakesTheFirstFreeNameAndReplacesNothing) {
  TempHome home;
  const auto name = [&](int n) { return home.file(QStringLiteral("Nr %1.jpg").arg(n)); };
  writeFile(name(1), "someone else's");
  // Another writer's unfinished file holds no name.
  writeFile(home.file(QStringLiteral(".Nr 0.jpg.99999.part")), "half");
  TBmpToJpeg writer;
  writer.Image = testPicture(32, 16);
  QStringList taken;
  for (int i = 0; i < 3; ++i) {
    writer.SaveNewJpeg(name);
    taken << writer.JpegFile;
  }
  EXPECT_EQ(taken, (QStringList{name(0), name(2), name(3)}));
  EXPECT_EQ(readFile(name(1)), "someone else's");
  EXPECT_EQ(QImage(name(3)).size(), QSize(32, 16));
  EXPECT_EQ(folderEntries(home.path()),
            (QStringList{".Nr 0.jpg.99999.part", "Nr 0.jpg", "Nr 1.jpg", "Nr 2.jpg", "Nr 3.jpg"}));
}

TEST(BmpToJpegTest, NewFileThatCannotTakeANameNamesItAndLeavesNothing) {
  TempHome home;
  writeFile(home.file(QStringLiteral("Nr 0.jpg")), "taken");
  const auto name = [&](int n) {
    return n == 0 ? home.file(QStringLiteral("Nr 0.jpg"))
                  : home.file(QStringLiteral("gone/Nr %1.jpg").arg(n));
  };
  TBmpToJpeg writer;
  writer.Image = testPicture(32, 16);
  try {
    writer.SaveNewJpeg(name);
    ADD_FAILURE() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(error.message(),
              QStringLiteral("Cannot create file \"%1\". No such file or directory").arg(name(1)));
  }
  EXPECT_EQ(folderEntries(home.path()), QStringList{QStringLiteral("Nr 0.jpg")});
  EXPECT_EQ(readFile(home.file(QStringLiteral("Nr 0.jpg"))), "taken");
}

// Two programs saving into one picture folder at the same second compete for
// the same numbers; every snapshot must survive under a name of its own.
TEST(BmpToJpegTest, TwoProgramsSavingAtOnceKeepEverySnapshot) {
  TempHome home;
  constexpr int kEach = 200;
  std::vector<std::unique_ptr<QProcess>> writers;
  for (int id = 1; id <= 2; ++id) {
    writers.push_back(std::make_unique<QProcess>());
    writers.back()->start(QStringLiteral(SNAPSHOT_WRITER),
                          {home.file(QStringLiteral("Cam")), QString::number(id), QString::number(kEach)});
  }
  for (auto& writer : writers) {
    ASSERT_TRUE(writer->waitForFinished(60000));
    EXPECT_EQ(writer->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(writer->exitCode(), 0) << writer->readAllStandardError().toStdString();
  }
  const QDir day(home.file(QStringLiteral("Cam/08-12-2026")));
  const QStringList files = day.entryList(QDir::Files | QDir::Hidden, QDir::Name);
  EXPECT_EQ(files.size(), 2 * kEach) << files.join(u' ').toStdString();
  QSet<QByteArray> contents;
  for (const QString& file : files) {
    EXPECT_TRUE(file.startsWith(QStringLiteral("Time 21-46-10 Nr "))) << file.toStdString();
    contents.insert(readFile(day.filePath(file)));
  }
  EXPECT_EQ(contents.size(), 2 * kEach);
}
