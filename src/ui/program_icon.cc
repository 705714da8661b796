#include "ui/program_icon.h"

#include <cstdio>

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace veltrane::ui {
namespace {

// The picture in fractions of its side, drawn by both the painter and the
// SVG writer: a small table (a header band and three rows) at each end, and
// an arrow each way between them.
struct IconTable {
  double left, top, width, height;
  unsigned header;  // 0xRRGGBB
};
struct IconArrow {
  double from_x, from_y, to_x, to_y, size;
};
constexpr IconTable kTables[] = {{0.04, 0.06, 0.36, 0.46, 0xd98c1f},
                                 {0.60, 0.48, 0.36, 0.46, 0x336791}};
constexpr IconArrow kArrows[] = {{0.46, 0.30, 0.92, 0.30, 0.14}, {0.54, 0.72, 0.08, 0.72, 0.14}};
constexpr unsigned kOutline = 0x333333;
constexpr unsigned kArrowColour = 0x1f4e96;
constexpr double kSvgSide = 256;

// An arrow's shaft ends half a head short of its tip; the head is a
// triangle `size` long and 1.2 `size` wide.
double Direction(const IconArrow& a) { return a.to_x > a.from_x ? 1 : -1; }

void DrawTable(QPainter& painter, const IconTable& table, double s) {
  const QRectF box(table.left * s, table.top * s, table.width * s, table.height * s);
  painter.setPen(QPen(QColor::fromRgb(kOutline), box.width() / 14));
  painter.setBrush(Qt::white);
  painter.drawRect(box);
  painter.fillRect(QRectF(box.left(), box.top(), box.width(), box.height() / 4),
                   QColor::fromRgb(table.header));
  for (int row = 2; row <= 3; ++row) {
    const double y = box.top() + box.height() * row / 4;
    painter.drawLine(QPointF(box.left(), y), QPointF(box.right(), y));
  }
}

void DrawArrow(QPainter& painter, const IconArrow& arrow, double s) {
  const QPointF from(arrow.from_x * s, arrow.from_y * s), to(arrow.to_x * s, arrow.to_y * s);
  const double size = arrow.size * s, direction = Direction(arrow);
  painter.setPen(QPen(QColor::fromRgb(kArrowColour), size / 3, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(from, to - QPointF(direction * size / 2, 0));
  QPainterPath head;
  head.moveTo(to);
  head.lineTo(to - QPointF(direction * size, size * 0.6));
  head.lineTo(to - QPointF(direction * size, -size * 0.6));
  head.closeSubpath();
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor::fromRgb(kArrowColour));
  painter.drawPath(head);
}

std::string Format(const char* format, auto... values) {
  char text[512];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

}  // namespace

QImage DrawProgramIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  for (const IconTable& table : kTables) DrawTable(painter, table, size);
  for (const IconArrow& arrow : kArrows) DrawArrow(painter, arrow, size);
  return image;
}

std::string ProgramIconSvg() {
  const double s = kSvgSide;
  std::string svg = Format(
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%g\" height=\"%g\" viewBox=\"0 0 %g %g\">\n",
      s, s, s, s);
  for (const IconTable& t : kTables) {
    const double x = t.left * s, y = t.top * s, w = t.width * s, h = t.height * s;
    svg += Format(
        "  <rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" fill=\"#ffffff\" stroke=\"#%06x\" "
        "stroke-width=\"%g\"/>\n",
        x, y, w, h, kOutline, w / 14);
    svg += Format("  <rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" fill=\"#%06x\"/>\n", x, y, w, h / 4,
                  t.header);
    svg += Format("  <path d=\"M%g %gH%gM%g %gH%g\" stroke=\"#%06x\" stroke-width=\"%g\"/>\n", x, y + h / 2,
                  x + w, x, y + h * 3 / 4, x + w, kOutline, w / 14);
  }
  for (const IconArrow& a : kArrows) {
    const double size = a.size * s, d = Direction(a), tx = a.to_x * s, ty = a.to_y * s;
    svg += Format(
        "  <line x1=\"%g\" y1=\"%g\" x2=\"%g\" y2=\"%g\" stroke=\"#%06x\" stroke-width=\"%g\" "
        "stroke-linecap=\"round\"/>\n",
        a.from_x * s, a.from_y * s, tx - d * size / 2, ty, kArrowColour, size / 3);
    svg += Format("  <path d=\"M%g %gL%g %gL%g %gZ\" fill=\"#%06x\"/>\n", tx, ty, tx - d * size,
                  ty - size * 0.6, tx - d * size, ty + size * 0.6, kArrowColour);
  }
  return svg + "</svg>\n";
}

QIcon ProgramIcon() {
  static const QIcon icon = [] {
    QIcon drawn;
    for (int size : {16, 24, 32, 48, 64}) drawn.addPixmap(QPixmap::fromImage(DrawProgramIcon(size)));
    return drawn;
  }();
  return icon;
}

}  // namespace veltrane::ui
