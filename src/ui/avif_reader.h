// AVIF pictures, which Qt's own image readers on this platform do not decode: read with libavif
// when the program is built with it.
#pragma once

#include <QByteArray>
#include <QImage>

namespace korvane::ui {

// Whether `bytes` begin as an AVIF file does (an ISO media "ftyp" box of brand avif or avis).
bool LooksLikeAvif(const QByteArray& bytes);
// The first picture of an AVIF file; a null picture when it cannot be decoded (or the program is
// built without libavif).
QImage ReadAvif(const QByteArray& bytes);

}  // namespace korvane::ui
