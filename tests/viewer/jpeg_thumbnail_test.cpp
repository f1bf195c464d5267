#include "viewer/jpeg_thumbnail.h"

#include "jpeg_files.h"
#include "support/files.h"

#include <QTemporaryDir>

namespace {

struct ThumbnailCase {
  const char* name;
  QSize picture;
  QSize thumbnail;
};

TEST(DecodeThumbnail, FitsTheCellKeepingTheShapeAndNeverEnlarges) {
  const ThumbnailCase cases[] = {
      {"snapshot", {640, 480}, {64, 48}},  // decoded at 1/8: 80 by 60, then fitted
      {"full HD", {1920, 1080}, {64, 36}},
      {"portrait", {480, 640}, {48, 64}},
      {"just covers at an eighth", {512, 256}, {64, 32}},
      {"needs a quarter", {300, 200}, {64, 42}},
      {"smaller than the cell", {40, 30}, {40, 30}},
  };
  QTemporaryDir folder;
  for (const ThumbnailCase& each : cases) {
    SCOPED_TRACE(each.name);
    const QString path = folder.filePath(QString::fromLatin1(each.name) + ".jpg");
    writeJpeg(path, each.picture, QColor(200, 40, 40));
    const QImage thumbnail = decodeThumbnail(path, 64);
    EXPECT_EQ(thumbnail.size(), each.thumbnail);
    // The colour survives the reduced decoding (JPEG allows a little drift).
    const QColor middle = thumbnail.pixelColor(thumbnail.width() / 2, thumbnail.height() / 2);
    EXPECT_NEAR(middle.red(), 200, 8);
    EXPECT_NEAR(middle.green(), 40, 8);
    EXPECT_NEAR(middle.blue(), 40, 8);
  }
}

TEST(DecodeThumbnail, UnreadableFilesGiveNoPictureAndOtherFormatsAreDecodedByContent) {
  QTemporaryDir folder;
  const QString garbage = folder.filePath("garbage.jpg");
  writeFile(garbage, QByteArray(4096, 'x'));
  const QString brokenHeader = folder.filePath("broken.jpg");
  writeFile(brokenHeader, QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(100, '\0'));
  EXPECT_TRUE(decodeThumbnail(garbage, 64).isNull());
  EXPECT_TRUE(decodeThumbnail(brokenHeader, 64).isNull());
  EXPECT_TRUE(decodeThumbnail(folder.filePath("missing.jpg"), 64).isNull());

  QImage png(200, 100, QImage::Format_RGB32);
  png.fill(Qt::blue);
  const QString disguised = folder.filePath("really-a-png.jpg");
  ASSERT_TRUE(png.save(disguised, "PNG"));
  EXPECT_EQ(decodeThumbnail(disguised, 64).size(), QSize(64, 32));
}

}  // namespace
