#include "ui/gf_image.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include "base/file_system.h"
#include "ui/avif_reader.h"

namespace korvane::ui {

bool TGFimage::DecoderLoaded() {
  const QList<QByteArray> formats = QImageReader::supportedImageFormats();
  return formats.contains("gif") && formats.contains("jpeg");
}

bool TGFimage::LoadFromFile(const std::string& name) {
  picture_ = QImage();
  // Read through the core's file system: the web folder's name is bytes, which a QString path
  // might spell differently.
  if (!fs_.FileExists(name)) return false;
  const std::optional<std::string> bytes = fs_.ReadFile(name);
  if (!bytes) return false;
  QByteArray data = QByteArray::fromStdString(*bytes);
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  // By content only: a captured file's extension may not say what it holds.
  QImageReader reader(&buffer);
  QImage decoded;
  if (reader.canRead()) {
    if (!reader.read(&decoded)) decoded = QImage();
  } else if (LooksLikeAvif(data)) {
    decoded = ReadAvif(data);
  }
  if (decoded.isNull()) return false;
  picture_ = std::move(decoded);
  return true;
}

void TGFimage::CopyToBitmap(QImage& bitmap) const {
  // Qt's pictures are shared until written: the bitmap is a copy for its holder, at no cost.
  bitmap = picture_;
}

}  // namespace korvane::ui
