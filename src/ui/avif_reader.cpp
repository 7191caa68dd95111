#include "ui/avif_reader.h"

#include <memory>

#ifdef KORVANE_HAVE_AVIF
#include <avif/avif.h>
#endif

namespace korvane::ui {

bool LooksLikeAvif(const QByteArray& bytes) {
  if (bytes.size() < 12 || bytes.mid(4, 4) != "ftyp") return false;
  const QByteArray brand = bytes.mid(8, 4);
  return brand == "avif" || brand == "avis";
}

#ifdef KORVANE_HAVE_AVIF

QImage ReadAvif(const QByteArray& bytes) {
  if (!LooksLikeAvif(bytes)) return {};
  const std::unique_ptr<avifDecoder, void (*)(avifDecoder*)> decoder(avifDecoderCreate(),
                                                                     avifDecoderDestroy);
  if (!decoder) return {};
  decoder->maxThreads = 1;  // one picture at a time, on the window's thread
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
  if (avifDecoderSetIOMemory(decoder.get(), data, static_cast<std::size_t>(bytes.size())) !=
          AVIF_RESULT_OK ||
      avifDecoderParse(decoder.get()) != AVIF_RESULT_OK ||
      avifDecoderNextImage(decoder.get()) != AVIF_RESULT_OK) {
    return {};
  }
  avifRGBImage rgb;
  avifRGBImageSetDefaults(&rgb, decoder->image);
  rgb.format = AVIF_RGB_FORMAT_RGBA;
  rgb.depth = 8;
  QImage picture(static_cast<int>(rgb.width), static_cast<int>(rgb.height),
                 QImage::Format_RGBA8888);
  if (picture.isNull()) return {};
  // Decoded straight into the picture's rows.
  rgb.pixels = picture.bits();
  rgb.rowBytes = static_cast<std::uint32_t>(picture.bytesPerLine());
  if (avifImageYUVToRGB(decoder->image, &rgb) != AVIF_RESULT_OK) return {};
  return picture;
}

#else

QImage ReadAvif(const QByteArray&) { return {}; }

#endif

}  // namespace korvane::ui
