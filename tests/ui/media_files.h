// Captured documents made at test time: a WAV of a tone, an uncompressed AVI of coloured frames,
// and a picture whose colour tells its quarters apart, in each format the program shows.
#pragma once

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <cmath>
#include <cstdint>
#include <string>

namespace korvane::testing {

namespace media_detail {

inline void Put16(std::string& s, std::uint32_t v) {
  s += char(v & 0xFF);
  s += char(v >> 8 & 0xFF);
}
inline void Put32(std::string& s, std::uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}
// A RIFF chunk, padded to an even length.
inline std::string Chunk(const char* id, const std::string& body) {
  std::string c(id, 4);
  Put32(c, std::uint32_t(body.size()));
  c += body;
  if (body.size() % 2) c += '\0';
  return c;
}
inline std::string List(const char* type, const std::string& body) {
  return Chunk("LIST", std::string(type, 4) + body);
}

}  // namespace media_detail

// 16-bit mono PCM at 8 kHz: a 440 Hz tone of `ms` milliseconds.
inline std::string MakeWav(int ms) {
  using namespace media_detail;
  constexpr int kRate = 8000;
  std::string format;
  Put16(format, 1);  // PCM
  Put16(format, 1);  // mono
  Put32(format, kRate);
  Put32(format, kRate * 2);
  Put16(format, 2);
  Put16(format, 16);
  std::string samples;
  for (int i = 0; i < kRate * ms / 1000; ++i) {
    Put16(samples, std::uint16_t(std::int16_t(8000 * std::sin(i * 2 * M_PI * 440 / kRate))));
  }
  return Chunk("RIFF", "WAVE" + Chunk("fmt ", format) + Chunk("data", samples));
}

// Uncompressed 24-bit frames ("DIB "), `frames` of them at `fps`, with an index.
inline std::string MakeAvi(int width, int height, int frames, int fps) {
  using namespace media_detail;
  const int row = (width * 3 + 3) / 4 * 4;
  const int size = row * height;
  std::string avih;
  for (std::uint32_t v :
       {std::uint32_t(1000000 / fps), std::uint32_t(size * fps), 0u, 0x10u /* has an index */,
        std::uint32_t(frames), 0u, 1u, std::uint32_t(size), std::uint32_t(width),
        std::uint32_t(height), 0u, 0u, 0u, 0u}) {
    Put32(avih, v);
  }
  std::string strh = "vidsDIB ";
  Put32(strh, 0);  // flags
  Put32(strh, 0);  // priority, language
  for (std::uint32_t v : {0u, 1u, std::uint32_t(fps), 0u, std::uint32_t(frames),
                          std::uint32_t(size), 0xFFFFFFFFu, 0u}) {
    Put32(strh, v);
  }
  for (std::uint32_t v : {0u, 0u, std::uint32_t(width), std::uint32_t(height)}) Put16(strh, v);
  std::string strf;
  Put32(strf, 40);
  Put32(strf, width);
  Put32(strf, height);
  Put16(strf, 1);
  Put16(strf, 24);
  for (std::uint32_t v : {0u, std::uint32_t(size), 0u, 0u, 0u, 0u}) Put32(strf, v);
  std::string movi = "movi";
  std::string index;
  for (int f = 0; f < frames; ++f) {
    std::string pixels(std::size_t(size), '\0');
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        char* p = &pixels[std::size_t(y * row + x * 3)];
        p[0] = char(f * 12);
        p[1] = char(x * 255 / width);
        p[2] = char(y * 255 / height);
      }
    }
    index += "00db";
    Put32(index, 0x10);  // a key frame
    Put32(index, std::uint32_t(movi.size()));
    Put32(index, std::uint32_t(size));
    movi += Chunk("00db", pixels);
  }
  const std::string header =
      List("hdrl", Chunk("avih", avih) + List("strl", Chunk("strh", strh) + Chunk("strf", strf)));
  return Chunk("RIFF", "AVI " + header + Chunk("LIST", movi) + Chunk("idx1", index));
}

// The colour of quarter `q` (0 top left, 1 top right, 2 bottom left, 3 bottom right).
inline QColor QuarterColor(int q) {
  static const QColor colours[] = {QColor(200, 40, 40), QColor(40, 160, 40), QColor(40, 40, 200),
                                   QColor(220, 200, 40)};
  return colours[q];
}

inline int QuarterOf(int x, int y, int width, int height) {
  return (x >= width / 2 ? 1 : 0) + (y >= height / 2 ? 2 : 0);
}

// A GIF of the four quarters. Qt reads GIF but cannot write it: the file is written here, its
// codes kept at 8 bits by a clear code every 100 pixels (no compression, every decoder reads it).
inline std::string MakeGif(int width, int height) {
  using namespace media_detail;
  std::string gif = "GIF89a";
  Put16(gif, width);
  Put16(gif, height);
  gif += char(0xF6);  // a global table of 128 colours
  gif += '\0';
  gif += '\0';
  for (int i = 0; i < 128; ++i) {
    const QColor c = QuarterColor(i % 4);
    gif += char(c.red());
    gif += char(c.green());
    gif += char(c.blue());
  }
  gif += ',';
  Put16(gif, 0);
  Put16(gif, 0);
  Put16(gif, width);
  Put16(gif, height);
  gif += '\0';
  gif += char(7);  // LZW minimum code size: 128 colours, 8-bit codes
  std::string codes;
  std::uint32_t bits = 0;
  int count = 0;
  auto put_code = [&](std::uint32_t code) {
    bits |= code << count;
    count += 8;
    while (count >= 8) {
      codes += char(bits & 0xFF);
      bits >>= 8;
      count -= 8;
    }
  };
  constexpr std::uint32_t kClear = 128, kEnd = 129;
  int since_clear = 0;
  put_code(kClear);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (since_clear == 100) {
        put_code(kClear);
        since_clear = 0;
      }
      put_code(std::uint32_t(QuarterOf(x, y, width, height)));
      ++since_clear;
    }
  }
  put_code(kEnd);
  for (std::size_t at = 0; at < codes.size(); at += 255) {
    const std::string block = codes.substr(at, 255);
    gif += char(block.size());
    gif += block;
  }
  gif += '\0';
  gif += ';';
  return gif;
}

// A JPEG of the four quarters.
// The four quarters in a format Qt writes ("JPG", "PNG", "WEBP"); empty when it cannot.
inline std::string MakePicture(int width, int height, const char* format) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      image.setPixelColor(x, y, QuarterColor(QuarterOf(x, y, width, height)));
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, format, 90)) return {};
  return bytes.toStdString();
}

inline std::string MakeJpeg(int width, int height) { return MakePicture(width, height, "JPG"); }

inline std::string MakeSvg(int width, int height) {
  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width) +
                    "\" height=\"" + std::to_string(height) + "\">";
  for (int q = 0; q < 4; ++q) {
    svg += "<rect x=\"" + std::to_string(q % 2 * width / 2) + "\" y=\"" +
           std::to_string(q / 2 * height / 2) + "\" width=\"" + std::to_string(width / 2) +
           "\" height=\"" + std::to_string(height / 2) + "\" fill=\"" +
           QuarterColor(q).name().toStdString() + "\"/>";
  }
  return svg + "</svg>";
}

// The four quarters, 40 x 30, as an AVIF file (encoded by libavif's avifenc, which Qt cannot).
inline std::string QuartersAvif() {
  static const unsigned char kBytes[] = {
      0x00, 0x00, 0x00, 0x20, 0x66, 0x74, 0x79, 0x70, 0x61, 0x76, 0x69, 0x66, 0x00, 0x00, 0x00,
      0x00, 0x61, 0x76, 0x69, 0x66, 0x6d, 0x69, 0x66, 0x31, 0x6d, 0x69, 0x61, 0x66, 0x4d, 0x41,
      0x31, 0x41, 0x00, 0x00, 0x00, 0xf2, 0x6d, 0x65, 0x74, 0x61, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x28, 0x68, 0x64, 0x6c, 0x72, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x70, 0x69, 0x63, 0x74, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x6c, 0x69, 0x62, 0x61, 0x76, 0x69, 0x66, 0x00, 0x00, 0x00, 0x00, 0x0e, 0x70, 0x69,
      0x74, 0x6d, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x1e, 0x69, 0x6c, 0x6f,
      0x63, 0x00, 0x00, 0x00, 0x00, 0x44, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01,
      0x00, 0x00, 0x01, 0x1a, 0x00, 0x00, 0x00, 0x3d, 0x00, 0x00, 0x00, 0x28, 0x69, 0x69, 0x6e,
      0x66, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x1a, 0x69, 0x6e, 0x66, 0x65,
      0x02, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x61, 0x76, 0x30, 0x31, 0x43, 0x6f, 0x6c,
      0x6f, 0x72, 0x00, 0x00, 0x00, 0x00, 0x6a, 0x69, 0x70, 0x72, 0x70, 0x00, 0x00, 0x00, 0x4b,
      0x69, 0x70, 0x63, 0x6f, 0x00, 0x00, 0x00, 0x14, 0x69, 0x73, 0x70, 0x65, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x28, 0x00, 0x00, 0x00, 0x1e, 0x00, 0x00, 0x00, 0x10, 0x70, 0x69,
      0x78, 0x69, 0x00, 0x00, 0x00, 0x00, 0x03, 0x08, 0x08, 0x08, 0x00, 0x00, 0x00, 0x0c, 0x61,
      0x76, 0x31, 0x43, 0x81, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x13, 0x63, 0x6f, 0x6c, 0x72,
      0x6e, 0x63, 0x6c, 0x78, 0x00, 0x01, 0x00, 0x0d, 0x00, 0x06, 0x80, 0x00, 0x00, 0x00, 0x17,
      0x69, 0x70, 0x6d, 0x61, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x04,
      0x01, 0x02, 0x83, 0x04, 0x00, 0x00, 0x00, 0x45, 0x6d, 0x64, 0x61, 0x74, 0x12, 0x00, 0x0a,
      0x09, 0x38, 0x15, 0x27, 0xeb, 0x08, 0x08, 0x68, 0x34, 0x80, 0x32, 0x2e, 0x44, 0x50, 0x00,
      0x00, 0x14, 0xf0, 0x34, 0x5d, 0x8b, 0xb7, 0x35, 0xb5, 0x3d, 0x28, 0x65, 0x4b, 0xe7, 0x10,
      0xd9, 0x17, 0xb2, 0x38, 0x52, 0x1d, 0xdc, 0x11, 0x51, 0x39, 0xe2, 0x97, 0x2b, 0xbe, 0x3e,
      0xea, 0x0e, 0x30, 0x01, 0xb5, 0x21, 0x2f, 0xe5, 0xee, 0x5c, 0xb0, 0x08, 0x80,
  };
  return std::string(reinterpret_cast<const char*>(kBytes), sizeof kBytes);
}

}  // namespace korvane::testing
