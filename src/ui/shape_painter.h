// Paints the TShape lists that the core's models return (meters, gauges) with a QPainter, and
// resolves the desktop theme's colours that the models name.
#pragma once

#include <QColor>
#include <vector>

#include "base/shape.h"

class QPainter;
class QPalette;

namespace korvane::ui {

// A model colour as Qt's: plain RGB values as they are, theme colours from `palette`
// (`parent` for the parent control's colour).
QColor ResolveColor(TColor color, const QPalette& palette, const QColor& parent);

void PaintShapes(QPainter& painter, const std::vector<TShape>& shapes, const QPalette& palette,
                 const QColor& parent);

}  // namespace korvane::ui
