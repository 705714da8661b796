#include "ui/program_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace veltrane::ui {
namespace {

// A small table: a header band and three rows.
void DrawTable(QPainter& painter, const QRectF& box, const QColor& header) {
  painter.setPen(QPen(QColor(0x33, 0x33, 0x33), box.width() / 14));
  painter.setBrush(Qt::white);
  painter.drawRect(box);
  painter.fillRect(QRectF(box.left(), box.top(), box.width(), box.height() / 4), header);
  for (int row = 2; row <= 3; ++row) {
    const double y = box.top() + box.height() * row / 4;
    painter.drawLine(QPointF(box.left(), y), QPointF(box.right(), y));
  }
}

void DrawArrow(QPainter& painter, QPointF from, QPointF to, double size) {
  const double direction = to.x() > from.x() ? 1 : -1;
  painter.setPen(QPen(QColor(0x1f, 0x4e, 0x96), size / 3, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(from, to - QPointF(direction * size / 2, 0));
  QPainterPath head;
  head.moveTo(to);
  head.lineTo(to - QPointF(direction * size, size * 0.6));
  head.lineTo(to - QPointF(direction * size, -size * 0.6));
  head.closeSubpath();
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0x1f, 0x4e, 0x96));
  painter.drawPath(head);
}

QPixmap DrawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const double s = size;
  DrawTable(painter, QRectF(s * 0.04, s * 0.06, s * 0.36, s * 0.46), QColor(0xd9, 0x8c, 0x1f));
  DrawTable(painter, QRectF(s * 0.60, s * 0.48, s * 0.36, s * 0.46), QColor(0x33, 0x67, 0x91));
  DrawArrow(painter, QPointF(s * 0.46, s * 0.30), QPointF(s * 0.92, s * 0.30), s * 0.14);
  DrawArrow(painter, QPointF(s * 0.54, s * 0.72), QPointF(s * 0.08, s * 0.72), s * 0.14);
  return pixmap;
}

}  // namespace

QIcon ProgramIcon() {
  static const QIcon icon = [] {
    QIcon drawn;
    for (int size : {16, 24, 32, 48, 64}) drawn.addPixmap(DrawIcon(size));
    return drawn;
  }();
  return icon;
}

}  // namespace veltrane::ui
