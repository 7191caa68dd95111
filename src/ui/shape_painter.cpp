#include "ui/shape_painter.h"

#include <QPainter>
#include <QPalette>
#include <QPolygon>

#include "app/url_list_model.h"

namespace korvane::ui {
namespace {

QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

QPolygon ToPolygon(const std::vector<TPoint>& points) {
  QPolygon polygon;
  for (const TPoint& p : points) polygon << QPoint(p.x, p.y);
  return polygon;
}

}  // namespace

QColor ResolveColor(TColor color, const QPalette& palette, const QColor& parent) {
  if ((color & kSystemColor) == 0) {
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
  }
  switch (color) {
    case clBtnFace:
      return palette.color(QPalette::Button);
    case clBtnShadow:
      return palette.color(QPalette::Dark);
    case clBtnHighlight:
      return palette.color(QPalette::Light);
    case clHighlight:
      return palette.color(QPalette::Highlight);
    case clHighlightText:
      return palette.color(QPalette::HighlightedText);
    case clWindowText:
      return palette.color(QPalette::WindowText);
    case clInactiveCaption:
      return palette.color(QPalette::Inactive, QPalette::Mid);
    case clParent:
      return parent;
    default:
      return palette.color(QPalette::Window);
  }
}

void PaintShapes(QPainter& painter, const std::vector<TShape>& shapes, const QPalette& palette,
                 const QColor& parent) {
  for (const TShape& s : shapes) {
    const QColor pen = ResolveColor(s.pen, palette, parent);
    const bool filled = s.brush != TShape::kNoBrush;
    const QColor brush = filled ? ResolveColor(s.brush, palette, parent) : QColor();
    switch (s.kind) {
      case TShape::kFillRect:
        painter.fillRect(ToQRect(s.rect), brush);
        break;
      case TShape::kFrameRect:
      case TShape::kEllipse: {
        // The outline lies inside the rectangle, as the models measure it.
        const int inset = s.pen_width;
        QRect r(s.rect.Left, s.rect.Top, s.rect.Width() - inset, s.rect.Height() - inset);
        QPen outline(pen, s.pen_width);
        outline.setJoinStyle(Qt::MiterJoin);
        painter.setPen(outline);
        painter.setBrush(filled ? QBrush(brush) : Qt::NoBrush);
        if (s.kind == TShape::kFrameRect) {
          painter.drawRect(r);
        } else {
          painter.drawEllipse(r);
        }
        break;
      }
      case TShape::kPolygon:
        painter.setPen(QPen(pen, s.pen_width));
        painter.setBrush(filled ? QBrush(brush) : Qt::NoBrush);
        painter.drawPolygon(ToPolygon(s.points), Qt::WindingFill);
        break;
      case TShape::kPolyline:
        painter.setPen(QPen(pen, s.pen_width, Qt::SolidLine, Qt::FlatCap));
        painter.setBrush(Qt::NoBrush);
        painter.drawPolyline(ToPolygon(s.points));
        break;
    }
  }
}

}  // namespace korvane::ui
