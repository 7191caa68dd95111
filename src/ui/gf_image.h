// TGFimage: the picture component. It decodes a captured picture file (GIF, JPEG and whatever
// else Qt's image readers know: PNG, SVG, WebP; AVIF with libavif) and hands the decoded picture
// over as a bitmap, to the Multimedia tab and to the image-map editor. Both decode the whole file
// at once (Flags 0). The component's own display mode (progressive decoding, animation,
// transition effects) served only the advertising panel and is not built; the effects keep their
// names and numbers in viewer/effects.h.
#pragma once

#include <QImage>
#include <string>

namespace korvane {
class TFileSystem;
}

namespace korvane::ui {

class TGFimage {
 public:
  explicit TGFimage(TFileSystem& fs) : fs_(fs) {}

  // Whether Qt's GIF and JPEG readers (image format plugins) are there: without them no captured
  // picture can be decoded, which the program says once at its start.
  static bool DecoderLoaded();
  static constexpr const char* kNotLoadedMessage = "GIMG(16/32).DLL is not Loaded";

  // Decodes `name`. False, with no picture held, when the file does not exist, when no reader
  // recognises its bytes or when they cannot be decoded; a picture held before is let go first.
  bool LoadFromFile(const std::string& name);
  bool Loaded() const { return !picture_.isNull(); }
  int Width() const { return picture_.width(); }
  int Height() const { return picture_.height(); }

  // `bitmap` receives a copy of the decoded picture with its colour table (none when nothing is
  // loaded); what it held before is released.
  void CopyToBitmap(QImage& bitmap) const;

 private:
  TFileSystem& fs_;
  QImage picture_;
};

}  // namespace korvane::ui
