#include "Canvas.h"

#include <QLocale>

namespace {
QString N(double v) { return QLocale::c().toString(v, 'f', 1); }

QString Stroke(const ChartPen &pen) {
  return QStringLiteral("stroke=\"%1\" stroke-width=\"%2\"%3")
      .arg(pen.color.name(), N(pen.width),
           pen.dashed ? QStringLiteral(" stroke-dasharray=\"5 3\"") : QString());
}
} // namespace

QString Escaped(const QString &text) { return text.toHtmlEscaped(); }

SvgCanvas::SvgCanvas(double width, double height) : width_(width), height_(height) {}

void SvgCanvas::line(QPointF from, QPointF to, const ChartPen &pen) {
  body_ += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\" %5/>\n")
               .arg(N(from.x()), N(from.y()), N(to.x()), N(to.y()), Stroke(pen));
}

void SvgCanvas::box(const QRectF &area, const QColor &fill) {
  body_ += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\"/>\n")
               .arg(N(area.x()), N(area.y()), N(area.width()), N(area.height()), fill.name());
}

void SvgCanvas::polyline(const QList<QPointF> &points, const ChartPen &pen) {
  QStringList xy;
  for (const QPointF &p : points)
    xy << N(p.x()) + QLatin1Char(',') + N(p.y());
  body_ += QStringLiteral("<polyline points=\"%1\" fill=\"none\" %2/>\n")
               .arg(xy.join(QLatin1Char(' ')), Stroke(pen));
}

void SvgCanvas::dot(QPointF at, double radius, const QColor &fill) {
  body_ += QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"%4\"/>\n")
               .arg(N(at.x()), N(at.y()), N(radius), fill.name());
}

void SvgCanvas::text(QPointF at, const QString &text, double pixels, const QColor &color,
                     Qt::Alignment align, bool bold) {
  const QString anchor = align & Qt::AlignRight     ? QStringLiteral("end")
                         : align & Qt::AlignHCenter ? QStringLiteral("middle")
                                                    : QStringLiteral("start");
  body_ += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"%3\" fill=\"%4\" "
                          "text-anchor=\"%5\"%6>%7</text>\n")
               .arg(N(at.x()), N(at.y()), N(pixels), color.name(), anchor,
                    bold ? QStringLiteral(" font-weight=\"bold\"") : QString(), Escaped(text));
}

double SvgCanvas::textWidth(const QString &text, double pixels) const {
  double width = 0;
  for (const QChar c : text)
    width += c.unicode() >= 0x1100 ? 1.0 : 0.55;
  return width * pixels;
}

QString SvgCanvas::svg() const {
  return QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 %1 %2\" "
                        "width=\"100%\" font-family=\"sans-serif\" role=\"img\">\n%3</svg>")
      .arg(N(width_), N(height_), body_);
}
