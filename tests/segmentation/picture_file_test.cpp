// What the picture file itself says before and besides its pixels: the size in its header,
// the resolution it stores and whether it ends early. Files are made here by OpenCV's encoders
// and patched, or written with exiv2.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <exiv2/exiv2.hpp>

#include "segmentation/picture_header.h"
#include "segmentation/stored_resolution.h"
#include "segmentation/truncated_picture.h"
#include "support/picture_bytes.h"
#include "support/run_program.h"

namespace leafmargin {
namespace {

using testing::Bytes;

std::optional<cv::Size> headerSize(const Bytes& bytes) {
  testing::ScratchDir dir("header");
  testing::writeBytes(dir.path() / "picture", bytes);
  return pictureSizeFromHeader((dir.path() / "picture").string());
}

std::optional<double> storedDpi(const Bytes& bytes) {
  return storedResolutionDpi(bytes.data(), bytes.size());
}

bool truncated(const Bytes& bytes) { return pictureIsTruncated(bytes.data(), bytes.size()); }

// Exif tags (key, value as exiv2 parses it) written into a picture by exiv2.
Bytes withExif(const Bytes& picture, const std::vector<std::pair<std::string, std::string>>& tags) {
  auto image = Exiv2::ImageFactory::open(picture.data(), static_cast<long>(picture.size()));
  image->readMetadata();
  for (const auto& [key, value] : tags) image->exifData()[key] = value;
  image->writeMetadata();
  Exiv2::BasicIo& io = image->io();
  io.open();
  const Exiv2::DataBuf written = io.read(io.size());
  return Bytes(written.pData_, written.pData_ + written.size_);
}

TEST(PictureHeader, SizeOfEveryFormatTheReaderTakesWithoutDecoding) {
  const cv::Mat colour = testing::noisePicture(53, 37);
  cv::Mat grey;
  cv::extractChannel(colour, grey, 0);
  const std::vector<std::pair<std::string, cv::Mat>> formats = {
      {".jpg", colour}, {".png", colour}, {".tif", colour}, {".bmp", colour},
      {".webp", colour}, {".jp2", colour}, {".ppm", colour}, {".pgm", grey},
      {".pbm", grey}, {".pam", colour}, {".pfm", colour}, {".hdr", colour}, {".ras", colour}};
  for (const auto& [extension, picture] : formats) {
    SCOPED_TRACE(extension);
    const Bytes bytes = testing::encodePicture(extension, picture);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(headerSize(bytes), cv::Size(53, 37));
  }
}

TEST(PictureHeader, HugeHeadersAreReadAsStatedAndOthersGiveNothing) {
  Bytes png = testing::encodePicture(".png", testing::noisePicture(20, 20));
  testing::putBigEndian(png, 16, 100000, 4);  // IHDR width, height
  testing::putBigEndian(png, 20, 90000, 4);
  EXPECT_EQ(headerSize(png), cv::Size(100000, 90000));

  const std::string pgm = "P5\n# comment\n200000 300000\n255\n";
  EXPECT_EQ(headerSize(Bytes(pgm.begin(), pgm.end())), cv::Size(200000, 300000));
  const std::string hdr = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 70000 +X 80000\n";
  EXPECT_EQ(headerSize(Bytes(hdr.begin(), hdr.end())), cv::Size(80000, 70000));
  Bytes codestream(24, 0);  // SOC, SIZ with a 2^32-1 grid offset by 5
  testing::putBigEndian(codestream, 0, 0xff4fff51u, 4);
  for (std::size_t at : {8u, 12u}) testing::putBigEndian(codestream, at, 0xffffffffu, 4);
  for (std::size_t at : {16u, 20u}) testing::putBigEndian(codestream, at, 5, 4);
  EXPECT_EQ(headerSize(codestream), cv::Size(INT_MAX, INT_MAX));

  for (const std::string text : {"", "plain text", "P6\n0 10\n255\n", "P6 12"})
    EXPECT_EQ(headerSize(Bytes(text.begin(), text.end())), std::nullopt) << text;
}

TEST(StoredResolution, JfifDensityCountsOnlyForPlausibleScanValues) {
  const Bytes jpeg = testing::encodePicture(".jpg", testing::noisePicture(16, 16));
  EXPECT_EQ(storedDpi(jpeg), std::nullopt);  // OpenCV writes units 0: an aspect ratio only
  struct Case { int units, x, y; std::optional<double> dpi; };
  const Case cases[] = {{1, 300, 300, 300.0}, {2, 236, 236, 599.44}, {0, 300, 300, std::nullopt},
                        {1, 72, 72, std::nullopt}, {1, 96, 96, std::nullopt},
                        {1, 0, 0, std::nullopt}, {1, 49, 49, std::nullopt},
                        {1, 50, 50, 50.0}, {1, 20000, 20000, 20000.0},
                        {1, 20001, 20001, std::nullopt}, {1, 300, 600, std::nullopt},
                        {3, 300, 300, std::nullopt}};
  for (const Case& c : cases) {
    const std::optional<double> dpi = storedDpi(testing::withJfifDensity(jpeg, c.units, c.x, c.y));
    ASSERT_EQ(dpi.has_value(), c.dpi.has_value()) << c.units << " " << c.x << " " << c.y;
    if (dpi) {
      EXPECT_NEAR(*dpi, *c.dpi, 1e-9);
    }
  }
}

TEST(StoredResolution, PngPhysInPixelsPerMetre) {
  const Bytes png = testing::encodePicture(".png", testing::noisePicture(16, 16));
  EXPECT_EQ(storedDpi(png), std::nullopt);
  struct Case { std::uint32_t x, y; unsigned char unit; std::optional<double> dpi; };
  const Case cases[] = {{23622, 23622, 1, 599.9988}, {2835, 2835, 1, std::nullopt},
                        {3780, 3780, 1, std::nullopt}, {23622, 23622, 0, std::nullopt},
                        {0, 0, 1, std::nullopt}, {1968, 1968, 1, std::nullopt}};
  for (const Case& c : cases) {
    const Bytes file = testing::withPngChunk(png, "pHYs", testing::pngPhys(c.x, c.y, c.unit));
    ASSERT_FALSE(cv::imdecode(file, cv::IMREAD_COLOR).empty());
    const std::optional<double> dpi = storedDpi(file);
    ASSERT_EQ(dpi.has_value(), c.dpi.has_value()) << c.x << " " << int(c.unit);
    if (dpi) {
      EXPECT_NEAR(*dpi, *c.dpi, 1e-9);
    }
  }
}

TEST(StoredResolution, ExifAndTiffTagsWithTheirUnitAndBeforeJfif) {
  const Bytes jpeg = testing::encodePicture(".jpg", testing::noisePicture(16, 16));
  const auto exif = [&](const std::string& x, const std::string& unit) {
    std::vector<std::pair<std::string, std::string>> tags = {
        {"Exif.Image.XResolution", x}, {"Exif.Image.YResolution", x}};
    if (!unit.empty()) tags.emplace_back("Exif.Image.ResolutionUnit", unit);
    return withExif(jpeg, tags);
  };
  EXPECT_EQ(storedDpi(exif("600/1", "2")), 600.0);
  EXPECT_EQ(storedDpi(exif("600/1", "")), 600.0);  // inch when no unit is given
  EXPECT_NEAR(*storedDpi(exif("23622/100", "3")), 599.9988, 1e-9);
  EXPECT_EQ(storedDpi(exif("600/1", "1")), std::nullopt);  // no absolute unit
  EXPECT_EQ(storedDpi(exif("72/1", "2")), std::nullopt);
  // A camera's 72 dpi gives way to the JFIF density; a real EXIF value comes first.
  EXPECT_EQ(storedDpi(testing::withJfifDensity(exif("72/1", "2"), 1, 300, 300)), 300.0);
  EXPECT_EQ(storedDpi(testing::withJfifDensity(exif("400/1", "2"), 1, 300, 300)), 400.0);

  const cv::Mat picture = testing::noisePicture(16, 16);
  const auto tiff = [&](int unit, int dpi) {
    return testing::encodePicture(".tif", picture, {cv::IMWRITE_TIFF_RESUNIT, unit,
                                                    cv::IMWRITE_TIFF_XDPI, dpi,
                                                    cv::IMWRITE_TIFF_YDPI, dpi});
  };
  EXPECT_EQ(storedDpi(tiff(2, 800)), 800.0);
  EXPECT_NEAR(*storedDpi(tiff(3, 236)), 599.44, 1e-9);
  EXPECT_EQ(storedDpi(tiff(2, 96)), std::nullopt);
}

TEST(TruncatedPicture, FilesThatEndBeforeTheirLayoutDoes) {
  const cv::Mat picture = testing::noisePicture(120, 90);
  const Bytes jpeg = testing::encodePicture(".jpg", picture);
  const Bytes progressive = testing::encodePicture(".jpg", picture, {cv::IMWRITE_JPEG_PROGRESSIVE, 1});
  // A segment before the scan that holds an end marker of its own, as an EXIF thumbnail does.
  const Bytes withThumbnail = testing::withJpegSegment(jpeg, 0xfe, std::string("ab\xff\xd9yz"));
  const Bytes png = testing::encodePicture(".png", picture);
  Bytes tiff = testing::encodePicture(".tif", picture);
  Bytes trailing = jpeg;
  trailing.insert(trailing.end(), {0x00, 0x12, 0xff});

  EXPECT_FALSE(truncated(jpeg));
  EXPECT_FALSE(truncated(progressive));
  EXPECT_FALSE(truncated(withThumbnail));
  EXPECT_FALSE(truncated(trailing));
  EXPECT_FALSE(truncated(png));
  EXPECT_FALSE(truncated(tiff));
  EXPECT_FALSE(truncated(testing::encodePicture(".bmp", picture)));

  for (const Bytes* full : {&jpeg, &progressive, &withThumbnail}) {
    EXPECT_TRUE(truncated(testing::withoutTail(*full, 2)));  // no end marker
    EXPECT_TRUE(truncated(testing::withoutTail(*full, full->size() / 2)));
  }
  // What makes the check needed: OpenCV still returns a picture for a cut baseline JPEG.
  EXPECT_FALSE(cv::imdecode(testing::withoutTail(jpeg, jpeg.size() / 2), cv::IMREAD_COLOR).empty());
  EXPECT_TRUE(truncated(testing::withoutTail(png, 12)));  // no IEND
  EXPECT_TRUE(truncated(testing::withoutTail(png, 13)));  // last chunk short
  // A strip that runs past the end: the first StripByteCounts value (tag 279, several LONGs
  // stored at an offset in OpenCV's little-endian TIFF) grown beyond the file.
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
