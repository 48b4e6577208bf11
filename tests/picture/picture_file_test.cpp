// What the picture file says besides its pixels: the size in its header, the resolution it
// stores and whether it ends early. Files are OpenCV's encodings, patched or given EXIF tags.
#include <gtest/gtest.h>

#include <climits>
#include <exiv2/exiv2.hpp>

#include "picture/picture_file.h"
#include "picture/picture_header.h"
#include "picture/stored_resolution.h"
#include "picture/truncated_picture.h"
#include "support/picture_bytes.h"
#include "support/read_file.h"
#include "support/run_program.h"

namespace leafmargin {
namespace {

using testing::Bytes;
using std::nullopt;
using testing::text;

std::optional<cv::Size> headerSize(const std::string& text) {
  return pictureSizeFromHeader(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}
std::optional<double> storedDpi(const Bytes& b) { return storedResolutionDpi(b.data(), b.size()); }
bool truncated(const Bytes& b) { return pictureIsTruncated(b.data(), b.size()); }

// EXIF tags written into a picture by exiv2.
Bytes withExifTags(const Bytes& picture, const std::vector<std::pair<std::string, std::string>>& tags) {
  auto image = Exiv2::ImageFactory::open(picture.data(), static_cast<long>(picture.size()));
  image->readMetadata();
  for (const auto& [key, value] : tags) image->exifData()[key] = value;
  image->writeMetadata();
  image->io().open();
  const Exiv2::DataBuf written = image->io().read(image->io().size());
  return Bytes(written.pData_, written.pData_ + written.size_);
}

// X and YResolution (and ResolutionUnit unless empty).
Bytes withExif(const Bytes& picture, const std::string& dpi, const std::string& unit) {
  std::vector<std::pair<std::string, std::string>> tags = {{"Exif.Image.XResolution", dpi},
                                                           {"Exif.Image.YResolution", dpi}};
  if (!unit.empty()) tags.push_back({"Exif.Image.ResolutionUnit", unit});
  return withExifTags(picture, tags);
}

// The file is read once and decoded from memory: the picture must be the one cv::imread gives
// from the file, EXIF orientation applied, grey and alpha pictures made colour.
TEST(PictureFile, DecodingFromTheBytesGivesWhatReadingTheFileGives) {
  const testing::ScratchDir dir("decode");
  const cv::Mat wide = testing::noisePicture(40, 30);
  const std::pair<std::string, Bytes> files[] = {
      {"turned.jpg", withExifTags(testing::encodePicture(".jpg", wide), {{"Exif.Image.Orientation", "6"}})},
      {"plain.png", testing::encodePicture(".png", wide)},
      {"grey.png", testing::encodePicture(".png", cv::Mat(30, 40, CV_8UC1, cv::Scalar(7)))},
      {"alpha.tif", testing::encodePicture(".tif", cv::Mat(30, 40, CV_8UC4, cv::Scalar(1, 2, 3, 4)))}};
  for (const auto& [name, bytes] : files) {
    testing::writeFile(dir.path() / name, text(bytes));
    const cv::Mat expected = cv::imread((dir.path() / name).string(), cv::IMREAD_COLOR);
    const cv::Mat decoded = readLeafPicture((dir.path() / name).string());
    ASSERT_EQ(decoded.size(), expected.size()) << name;
    ASSERT_EQ(decoded.type(), CV_8UC3) << name;
    EXPECT_EQ(cv::norm(decoded, expected, cv::NORM_INF), 0.0) << name;
  }
  EXPECT_EQ(readLeafPicture((dir.path() / "turned.jpg").string()).size(), cv::Size(30, 40));
}

TEST(PictureFile, WhyAFileCannotBeRead) {
  const testing::ScratchDir dir("unreadable");
  testing::writeFile(dir.path() / "empty.jpg", "");
  testing::writeFile(dir.path() / "text.jpg", "not a picture\n");
  const std::pair<std::string, std::string> cases[] = {
      {"missing.jpg", "no such file"},
      {".", "a folder"},
      {"empty.jpg", "an empty file"},
      {"text.jpg", "not a picture format OpenCV reads"}};
  for (const auto& [name, reason] : cases) {
    const PictureFile file = readPictureFile((dir.path() / name).string());
    EXPECT_EQ(unreadableReason(file), reason) << name;
    EXPECT_TRUE(decodeLeafPicture(file.bytes).empty()) << name;
  }
  EXPECT_EQ(readPictureFile((dir.path() / "text.jpg").string()).bytes.size(), 14u);
}

TEST(PictureHeader, SizeOfEveryFormatTheReaderTakesWithoutDecoding) {
  const cv::Mat colour = testing::noisePicture(53, 37);
  cv::Mat grey;
  cv::extractChannel(colour, grey, 0);
  for (const std::string extension : {".jpg", ".png", ".tif", ".bmp", ".webp", ".jp2", ".ppm",
                                      ".pgm", ".pbm", ".pam", ".pfm", ".hdr", ".ras"}) {
    const bool greyOnly = extension == ".pgm" || extension == ".pbm";
    EXPECT_EQ(headerSize(text(testing::encodePicture(extension, greyOnly ? grey : colour))),
              cv::Size(53, 37)) << extension;
  }
  Bytes png = testing::encodePicture(".png", colour);
  testing::putBigEndian(png, 16, 100000, 4);  // IHDR width and height
  testing::putBigEndian(png, 20, 90000, 4);
  EXPECT_EQ(headerSize(text(png)), cv::Size(100000, 90000));
  EXPECT_EQ(headerSize("P5\n# comment\n200000 300000\n255\n"), cv::Size(200000, 300000));
  EXPECT_EQ(headerSize("P1\n7 9\n"), cv::Size(7, 9));  // the plain-text bitmap, lowest magic
  EXPECT_EQ(headerSize("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 70000 +X 80000\n"),
            cv::Size(80000, 70000));
  Bytes codestream(24, 0);  // SOC, SIZ: a 2^32-1 grid offset by 5 each way
  testing::putBigEndian(codestream, 0, 0xff4fff51u, 4);
  for (std::size_t at : {8, 12}) testing::putBigEndian(codestream, at, 0xffffffffu, 4);
  for (std::size_t at : {16, 20}) testing::putBigEndian(codestream, at, 5, 4);
  EXPECT_EQ(headerSize(text(codestream)), cv::Size(INT_MAX, INT_MAX));
  for (const std::string other :
       {"", "plain text", "P6\n0 10\n255\n", "P6 12", "P0\n7 9\n", "P8\n7 9\n"})
    EXPECT_EQ(headerSize(other), nullopt) << other;
}

TEST(StoredResolution, JfifDensityAndPngPhysCountOnlyForPlausibleScanValues) {
  const Bytes jpeg = testing::encodePicture(".jpg", testing::noisePicture(16, 16));
  const Bytes png = testing::encodePicture(".png", testing::noisePicture(16, 16));
  EXPECT_EQ(storedDpi(jpeg), nullopt);  // OpenCV writes JFIF units 0: an aspect ratio only
  EXPECT_EQ(storedDpi(png), nullopt);
  struct Case { bool jpeg; int unit, x, y; std::optional<double> dpi; };
  const Case cases[] = {
      {true, 1, 300, 300, 300.0}, {true, 2, 236, 236, 599.44}, {true, 0, 300, 300, nullopt},
      {true, 1, 72, 72, nullopt}, {true, 1, 96, 96, nullopt}, {true, 1, 0, 0, nullopt},
      {true, 1, 49, 49, nullopt}, {true, 1, 50, 50, 50.0}, {true, 1, 20000, 20000, 20000.0},
      {true, 1, 20001, 20001, nullopt}, {true, 1, 300, 600, nullopt}, {true, 3, 300, 300, nullopt},
      {false, 1, 23622, 23622, 599.9988}, {false, 1, 2835, 2835, nullopt},  // pixels per metre
      {false, 1, 3780, 3780, nullopt}, {false, 0, 23622, 23622, nullopt},
      {false, 1, 0, 0, nullopt}, {false, 1, 1968, 1968, nullopt}};
  for (const Case& c : cases) {
    const auto unit = static_cast<unsigned char>(c.unit);
    const std::optional<double> dpi = storedDpi(
        c.jpeg ? testing::withJfifDensity(jpeg, c.unit, c.x, c.y)
               : testing::withPngChunk(png, "pHYs", testing::pngPhys(c.x, c.y, unit)));
    EXPECT_NEAR(dpi.value_or(-1), c.dpi.value_or(-1), 1e-9) << c.jpeg << c.unit << " " << c.x;
  }
  // The JFIF header is found behind another segment (a comment) too.
  Bytes commented = testing::withJfifDensity(jpeg, 1, 300, 300);
  const unsigned char comment[] = {0xff, 0xfe, 0x00, 0x06, 's', 'c', 'a', 'n'};
  commented.insert(commented.begin() + 2, std::begin(comment), std::end(comment));
  EXPECT_EQ(storedDpi(commented), 300.0);
}

TEST(StoredResolution, ExifAndTiffTagsWithTheirUnitAndBeforeJfif) {
  const Bytes jpeg = testing::encodePicture(".jpg", testing::noisePicture(16, 16));
  EXPECT_EQ(storedDpi(withExif(jpeg, "600/1", "2")), 600.0);
  EXPECT_EQ(storedDpi(withExif(jpeg, "600/1", "")), 600.0);  // inch when no unit is given
  EXPECT_NEAR(*storedDpi(withExif(jpeg, "23622/100", "3")), 599.9988, 1e-9);
  EXPECT_EQ(storedDpi(withExif(jpeg, "600/1", "1")), nullopt);  // no absolute unit
  // A camera's 72 dpi gives way to the JFIF density; a real EXIF value comes first.
  EXPECT_EQ(storedDpi(testing::withJfifDensity(withExif(jpeg, "72/1", "2"), 1, 300, 300)), 300.0);
  EXPECT_EQ(storedDpi(testing::withJfifDensity(withExif(jpeg, "400/1", "2"), 1, 300, 300)), 400.0);
  const auto tiff = [](int unit, int dpi) {
    return testing::encodePicture(".tif", testing::noisePicture(16, 16),
                                  {cv::IMWRITE_TIFF_RESUNIT, unit, cv::IMWRITE_TIFF_XDPI, dpi,
                                   cv::IMWRITE_TIFF_YDPI, dpi});
  };
  EXPECT_EQ(storedDpi(tiff(2, 800)), 800.0);
  EXPECT_NEAR(*storedDpi(tiff(3, 236)), 599.44, 1e-9);
  EXPECT_EQ(storedDpi(tiff(2, 96)), nullopt);
}

TEST(TruncatedPicture, FilesThatEndBeforeTheirLayoutDoes) {
  const cv::Mat picture = testing::noisePicture(120, 90);
  const Bytes jpeg = testing::encodePicture(".jpg", picture);
  const Bytes png = testing::encodePicture(".png", picture);
  Bytes tiff = testing::encodePicture(".tif", picture);
  Bytes trailing = jpeg;
  trailing.insert(trailing.end(), {0x00, 0x12, 0xff});
  for (const Bytes& whole : {jpeg, trailing, png, tiff, testing::encodePicture(".bmp", picture)})
    EXPECT_FALSE(truncated(whole));
  const Bytes progressive =
      testing::encodePicture(".jpg", picture, {cv::IMWRITE_JPEG_PROGRESSIVE, 1});
  // A segment before the scan holding an end marker of its own, as an EXIF thumbnail does.
  const Bytes commented = testing::withJpegSegment(jpeg, 0xfe, "ab\xff\xd9yz");
  for (const Bytes& whole : {jpeg, progressive, commented}) {
    EXPECT_FALSE(truncated(whole));
    EXPECT_TRUE(truncated(testing::withoutTail(whole, 2)));  // no end marker
    EXPECT_TRUE(truncated(testing::withoutTail(whole, whole.size() / 2)));
  }
  // What makes the check needed: OpenCV still returns a picture for a cut baseline JPEG.
  EXPECT_FALSE(cv::imdecode(testing::withoutTail(jpeg, jpeg.size() / 2), cv::IMREAD_COLOR).empty());
  EXPECT_TRUE(truncated(testing::withoutTail(png, 12)));  // no IEND
  EXPECT_TRUE(truncated(testing::withoutTail(png, 13)));  // last chunk short
  // A strip past the end: the first StripByteCounts value (tag 279, several LONGs stored at an
  // offset in OpenCV's little-endian TIFF) grown beyond the file.
  const auto le = [&](std::size_t at, int count) {
    std::size_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = value << 8 | tiff[at + i];
    return value;
  };
  const std::size_t ifd = le(4, 4);
  for (std::size_t entry = ifd + 2; entry < ifd + 2 + 12 * le(ifd, 2); entry += 12)
    if (le(entry, 2) == 279 && le(entry + 4, 4) > 1) tiff[le(entry + 8, 4) + 3] = 0x7f;
  EXPECT_TRUE(truncated(tiff));
}

}  // namespace
}  // namespace leafmargin
