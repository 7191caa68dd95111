// Picture sizes from file headers: each format, then damaged and foreign files giving 0 x 0.
#include "viewer/picture_size.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace korvane {
namespace {

std::string Gif(int w, int h) {
  std::string b = "GIF89a";
  b += {char(w & 255), char(w >> 8), char(h & 255), char(h >> 8), '\0', '\0', '\0'};
  return b;
}

std::string Be32(std::uint32_t v) {
  return {char(v >> 24), char(v >> 16 & 255), char(v >> 8 & 255), char(v & 255)};
}

std::string Png(std::uint32_t w, std::uint32_t h) {
  return std::string("\x89PNG\r\n\x1A\n", 8) + Be32(13) + "IHDR" + Be32(w) + Be32(h) +
         std::string("\x08\x02\0\0\0", 5);
}

std::string Le32(std::int32_t v) {
  auto u = static_cast<std::uint32_t>(v);
  return {char(u & 255), char(u >> 8 & 255), char(u >> 16 & 255), char(u >> 24)};
}

std::string Bmp(std::int32_t w, std::int32_t h) {
  return "BM" + Le32(0) + Le32(0) + Le32(54) + Le32(40) + Le32(w) + Le32(h) + std::string(28, '\0');
}

// A JPEG with an APP0 segment, a fill byte and a DHT segment before the frame header.
std::string Jpeg(int w, int h, char sof = '\xC0') {
  std::string b("\xFF\xD8\xFF\xE0\x00\x10JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 20);
  b += std::string("\xFF\xFF\xC4\x00\x04\x00\x00", 7);
  b += {'\xFF',       sof,           '\x00',       '\x11',        '\x08',
        char(h >> 8), char(h & 255), char(w >> 8), char(w & 255), '\x03'};
  b += std::string(9, '\x01');
  return b;
}

std::string Le16(int v) { return {char(v & 255), char(v >> 8 & 255)}; }

std::string Webp(std::string_view chunk, std::string payload) {
  return "RIFF" + Le32(0) + "WEBP" + std::string(chunk) + Le32(0) + payload + std::string(8, '\0');
}

std::string Avif(std::uint32_t w, std::uint32_t h) {
  return Be32(20) + "ftypavif" + Be32(0) + "mif1" + Be32(20) + "ispe" + Be32(0) + Be32(w) + Be32(h);
}

TEST(PictureSizeTest, ReadsEachFormatsHeader) {
  const std::pair<std::string, TPictureSize> cases[] = {
      {Gif(200, 100), {200, 100}},
      {Gif(65535, 1), {65535, 1}},
      {Png(640, 480), {640, 480}},
      {Bmp(33, 17), {33, 17}},
      {Bmp(33, -17), {33, 17}},  // stored top-down
      {Jpeg(800, 600), {800, 600}},
      {Jpeg(3, 2, '\xC2'), {3, 2}},  // progressive
      {Webp("VP8 ", std::string("\0\0\0\x9D\x01\x2A", 6) + Le16(300) + Le16(200)), {300, 200}},
      {Webp("VP8L", "\x2F" + Le32((49 << 14) | 99)), {100, 50}},
      {Webp("VP8X", std::string(4, '\0') + std::string("\x3F\x01\0\xEF\0\0", 6)), {320, 240}},
      {Avif(1920, 1080), {1920, 1080}},
      {"<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"48\" "
       "height=\"24px\">",
       {48, 24}},
      {"<svg viewBox=\"0 0 120.4 60\" width=\"100%\">", {120, 60}},
  };
  for (const auto& [bytes, size] : cases) EXPECT_EQ(MeasurePicture(bytes), size) << bytes.size();
}

TEST(PictureSizeTest, DamagedOrForeignFilesAreUnmeasured) {
  const std::string cases[] = {
      "",
      "<html>not a picture</html>",
      Gif(10, 10).substr(0, 9),
      Png(10, 10).substr(0, 20),
      Png(0, 10),
      Png(0x80000000u, 10),  // beyond any real picture
      std::string("\x89PNG\r\n\x1A\n", 8) + Be32(13) + "IDAT" + Be32(5) + Be32(5),
      Bmp(10, 10).substr(0, 25),
      Jpeg(10, 10).substr(0, 30),
      std::string("\xFF\xD8\xFF\xDA\x00\x02", 6),  // data before any frame
      std::string("\xFF\xD8\xFF\xE0\x00\x00", 6),  // a segment length below its own field
      std::string("\xFF\xD8\x00\x00\x00\x00", 6),  // no marker where one must be
      Webp("VP8 ", "garbage"),
      std::string("RIFF\0\0\0\0WEBPVP8X", 16),  // cut short
      "RIFF",
      Avif(1920, 1080).substr(0, 30),
      "<svg width=\"2em\" height=\"3em\">",  // no pixels, no view box
      "<svg viewBox=\"0 0 1e30 5\">",
  };
  for (const std::string& bytes : cases) {
    EXPECT_EQ(MeasurePicture(bytes), TPictureSize{}) << bytes.size();
  }
}

TEST(PictureSizeTest, SampleSitePicturesAreMeasured) {
  const std::pair<const char*, TPictureSize> cases[] = {
      {"images/logo.png", {32, 16}},
      {"images/dot.gif", {1, 1}},
      {"gallery/photo1.jpg", {8, 8}},
  };
  for (const auto& [name, size] : cases) {
    std::ifstream in(std::string(KORVANE_PROJECT_DIR) + "/data/sample-site/" + name,
                     std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(MeasurePicture(bytes), size) << name;
  }
}

}  // namespace
}  // namespace korvane
