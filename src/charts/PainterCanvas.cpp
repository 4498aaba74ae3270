#include "Canvas.h"

#include <QFontMetricsF>

namespace {
QPen Pen(const ChartPen &pen) {
  QPen p(pen.color, pen.width);
  if (pen.dashed)
    p.setDashPattern({5.0 / pen.width, 3.0 / pen.width});
  return p;
}

QFont Font(const QPainter *painter, double pixels, bool bold) {
  QFont font = painter->font();
  font.setPixelSize(qMax(1, qRound(pixels)));
  font.setBold(bold);
  return font;
}
} // namespace

void PainterCanvas::line(QPointF from, QPointF to, const ChartPen &pen) {
  painter_->setPen(Pen(pen));
  painter_->drawLine(from, to);
}

void PainterCanvas::box(const QRectF &area, const QColor &fill) { painter_->fillRect(area, fill); }

void PainterCanvas::polyline(const QList<QPointF> &points, const ChartPen &pen) {
  painter_->setPen(Pen(pen));
  painter_->setBrush(Qt::NoBrush);
  painter_->drawPolyline(points.constData(), int(points.size()));
}

void PainterCanvas::dot(QPointF at, double radius, const QColor &fill) {
  painter_->setPen(Qt::NoPen);
  painter_->setBrush(fill);
  painter_->drawEllipse(at, radius, radius);
}

void PainterCanvas::text(QPointF at, const QString &text, double pixels, const QColor &color,
                         Qt::Alignment align, bool bold) {
  painter_->setFont(Font(painter_, pixels, bold));
  painter_->setPen(color);
  const double width = QFontMetricsF(painter_->font()).horizontalAdvance(text);
  const double x = align & Qt::AlignRight     ? at.x() - width
                   : align & Qt::AlignHCenter ? at.x() - width / 2
                                              : at.x();
  painter_->drawText(QPointF(x, at.y()), text);
}

double PainterCanvas::textWidth(const QString &text, double pixels) const {
  return QFontMetricsF(Font(painter_, pixels, false)).horizontalAdvance(text);
}
