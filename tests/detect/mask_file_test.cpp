#include "detect/mask_file.h"

#include "base/error.h"
#include "support/files.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstring>

namespace {

constexpr QRgb kPurple = 0xFF800080;
constexpr QRgb kWhite = 0xFFFFFFFF;

std::uint32_t le32(const QByteArray& bytes, int at) {
  std::uint32_t value = 0;
  std::memcpy(&value, bytes.constData() + at, 4);  // the test machine is little-endian like the format
  return value;
}

std::uint16_t le16(const QByteArray& bytes, int at) {
  std::uint16_t value = 0;
  std::memcpy(&value, bytes.constData() + at, 2);
  return value;
}

// White with a purple block at (3..8, 2..5): an odd width, so the last byte of
// each row holds a lone pixel and rows need padding.
QImage sampleMask(QImage::Format format) {
  QImage image(13, 9, QImage::Format_RGB32);
  image.fill(kWhite);
  for (int y = 2; y <= 5; ++y)
    for (int x = 3; x <= 8; ++x) image.setPixel(x, y, kPurple);
  return image.convertToFormat(format);
}

bool purpleAt(int x, int y) { return x >= 3 && x <= 8 && y >= 2 && y <= 5; }

void expectWhiteAndPurple(const FrameBitmap& mask) {
  ASSERT_EQ(mask.width(), 13);
  ASSERT_EQ(mask.height(), 9);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 13; ++x)
      ASSERT_EQ(mask.image().pixel(x, y), purpleAt(x, y) ? kPurple : kWhite) << x << "," << y;
}

TEST(MaskFilePath, IsInTheMaskFolderOfTheProgramFolder) {
  TempHome home;
  EXPECT_EQ(maskFilePath(home.path(), "USB Camera"), home.file("Mask/Mask for USB Camera.bmp"));
  // A slash in a device name must not lead the file out of the Mask folder.
  EXPECT_EQ(maskFilePath(home.path(), "../cam/0"), home.file("Mask/Mask for .._cam_0.bmp"));
}

TEST(SaveMaskFile, WritesA4BitBmpWith16ColoursWhateverTheSourceDepth) {
  for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_BGR888,
                                QImage::Format_RGB888, QImage::Format_Indexed8, QImage::Format_RGB16}) {
    SCOPED_TRACE(format);
    TempHome home;
    const QString path = maskFilePath(home.path(), "Cam");
    saveMaskFile(path, sampleMask(format));

    const QByteArray bytes = readFile(path);
    const int rowBytes = 8;  // 13 pixels at 4 bits are 7 bytes, padded to 8
    ASSERT_EQ(bytes.size(), 14 + 40 + 64 + rowBytes * 9);
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    EXPECT_EQ(le32(bytes, 2), std::uint32_t(bytes.size()));
    EXPECT_EQ(le32(bytes, 10), 118u);  // pixels after both headers and the palette
    EXPECT_EQ(le32(bytes, 14), 40u);   // BITMAPINFOHEADER
    EXPECT_EQ(le32(bytes, 18), 13u);   // width
    EXPECT_EQ(le32(bytes, 22), 9u);    // height, positive: bottom-up
    EXPECT_EQ(le16(bytes, 26), 1);     // planes
    EXPECT_EQ(le16(bytes, 28), 4);     // bits per pixel
    EXPECT_EQ(le32(bytes, 30), 0u);    // uncompressed
    EXPECT_EQ(le32(bytes, 46), 16u);   // colours used
    const QByteArray palette = bytes.mid(54, 64);
    EXPECT_TRUE(palette.contains(QByteArray("\x80\x00\x80\x00", 4)));  // purple, as blue green red 0
    EXPECT_TRUE(palette.contains(QByteArray("\xff\xff\xff\x00", 4)));  // white

    // The top row of the picture is the last row in the file.
    const int topRow = 118 + 8 * rowBytes;
    const int paletteIndexOfWhite = (std::uint8_t(bytes[topRow]) >> 4);
    EXPECT_EQ(bytes.mid(54 + 4 * paletteIndexOfWhite, 3), QByteArray("\xff\xff\xff", 3));

    expectWhiteAndPurple(loadMaskFile(path));
  }
}

TEST(SaveMaskFile, MapsEachColourToTheNearestPaletteColour) {
  TempHome home;
  QImage image(4, 1, QImage::Format_RGB32);
  image.setPixel(0, 0, qRgb(0x7E, 0x02, 0x83));  // near purple
  image.setPixel(1, 0, qRgb(0xF0, 0xF8, 0xFA));  // near white
  image.setPixel(2, 0, qRgb(0xF5, 0x10, 0x08));  // near red
  image.setPixel(3, 0, qRgb(0x10, 0x10, 0x10));  // near black
  const QString path = home.file("near.bmp");
  saveMaskFile(path, image);

  const QImage reloaded = loadMaskFile(path).image();
  EXPECT_EQ(reloaded.pixel(0, 0), kPurple);
  EXPECT_EQ(reloaded.pixel(1, 0), kWhite);
  EXPECT_EQ(reloaded.pixel(2, 0), qRgb(0xFF, 0, 0));
  EXPECT_EQ(reloaded.pixel(3, 0), qRgb(0, 0, 0));
}

TEST(SaveMaskFile, OverwritesAndLeavesNoTemporaryFile) {
  TempHome home;
  const QString path = maskFilePath(home.path(), "Cam");
  saveMaskFile(path, QImage(40, 30, QImage::Format_RGB32));
  saveMaskFile(path, sampleMask(QImage::Format_RGB32));
  expectWhiteAndPurple(loadMaskFile(path));
  EXPECT_EQ(QDir(home.file("Mask")).entryList(QDir::Files), QStringList{"Mask for Cam.bmp"});
}

TEST(SaveMaskFile, ReportsAFileThatCannotBeCreated) {
  TempHome home;
  // A regular file where the Mask folder belongs: neither folder nor file can be made.
  QFile blocker(home.file("Mask"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  const QString path = maskFilePath(home.path(), "Cam");
  try {
    saveMaskFile(path, sampleMask(QImage::Format_RGB32));
    FAIL() << "no error";
  } catch (const Error& error) {
    const QString prefix = QStringLiteral("Cannot create file \"%1\". ").arg(path);
    EXPECT_TRUE(error.message().startsWith(prefix)) << error.message().toStdString();
    EXPECT_GT(error.message().size(), prefix.size()) << "the system's reason is missing";
  }
  EXPECT_EQ(QFileInfo(home.file("Mask")).size(), 0);
}

TEST(SaveMaskFile, RefusesAnEmptyPicture) {
  TempHome home;
  EXPECT_THROW(saveMaskFile(maskFilePath(home.path(), "Cam"), QImage()), Error);
  EXPECT_FALSE(QFileInfo::exists(maskFilePath(home.path(), "Cam")));
}

TEST(LoadMaskFile, ReadsBitmapsOfAnyDepth) {
  struct Case {
    const char* name;
    QImage image;
  };
  QImage mono = sampleMask(QImage::Format_RGB32).convertToFormat(QImage::Format_Mono, {kWhite, kPurple});
  QImage indexed = sampleMask(QImage::Format_RGB32).convertToFormat(QImage::Format_Indexed8);
  indexed.setColorCount(256);  // more than 16 colours, so it is written at 8 bits
  const Case cases[] = {{"24-bit", sampleMask(QImage::Format_RGB888)}, {"8-bit", indexed}, {"1-bit", mono}};
  const int expectedDepth[] = {24, 8, 1};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(cases[i].name);
    TempHome home;
    const QString path = home.file("mask.bmp");
    ASSERT_TRUE(cases[i].image.save(path, "BMP"));
    EXPECT_EQ(le16(readFile(path), 28), expectedDepth[i]);
    expectWhiteAndPurple(loadMaskFile(path));
  }
}

TEST(LoadMaskFile, RefusesWhatIsNotABitmap) {
  TempHome home;
  QImage png = sampleMask(QImage::Format_RGB32);
  ASSERT_TRUE(png.save(home.file("png.bmp"), "PNG"));
  QFile garbage(home.file("garbage.bmp"));
  ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
  garbage.write("BM this is not a bitmap at all");
  garbage.close();
  QFile empty(home.file("empty.bmp"));
  ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
  empty.close();
  // A valid file cut short, as a crash during a careless save would leave it.
  saveMaskFile(home.file("whole.bmp"), sampleMask(QImage::Format_RGB32));
  QFile cut(home.file("whole.bmp"));
  ASSERT_TRUE(cut.resize(60));

  for (const char* name : {"png.bmp", "garbage.bmp", "empty.bmp", "whole.bmp", "missing.bmp"}) {
    SCOPED_TRACE(name);
    try {
      loadMaskFile(home.file(name));
      ADD_FAILURE() << "no error";
    } catch (const Error& error) {
      EXPECT_EQ(error.message(), "Bitmap image is not valid");
    }
  }
}

}  // namespace
