// What a chart is drawn on: lines, boxes, dots and text at positions in pixels. A chart is
// drawn once, by one piece of code (Charts.h), onto either canvas: SVG for the yield's page,
// or a QPainter for the window and for an image.
#pragma once

#include <QColor>
#include <QList>
#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <QString>

struct ChartPen {
  QColor color;
  double width = 1;
  bool dashed = false;
};

class ChartCanvas {
public:
  virtual ~ChartCanvas() = default;
  virtual void line(QPointF from, QPointF to, const ChartPen &pen) = 0;
  virtual void box(const QRectF &area, const QColor &fill) = 0;
  virtual void polyline(const QList<QPointF> &points, const ChartPen &pen) = 0;
  virtual void dot(QPointF at, double radius, const QColor &fill) = 0;
  // Text on one line, its baseline at.y(), aligned left, right or centred on at.x().
  virtual void text(QPointF at, const QString &text, double pixels, const QColor &color,
                    Qt::Alignment align = Qt::AlignLeft, bool bold = false) = 0;
  // How wide the text is, for the layout to leave room for it.
  virtual double textWidth(const QString &text, double pixels) const = 0;
};

// Writes SVG elements. Widths of text are reckoned from its characters (a Han character a
// pixel size wide, others about half), as a browser lays it out in a sans-serif face.
class SvgCanvas : public ChartCanvas {
public:
  SvgCanvas(double width, double height);
  void line(QPointF from, QPointF to, const ChartPen &pen) override;
  void box(const QRectF &area, const QColor &fill) override;
  void polyline(const QList<QPointF> &points, const ChartPen &pen) override;
  void dot(QPointF at, double radius, const QColor &fill) override;
  void text(QPointF at, const QString &text, double pixels, const QColor &color,
            Qt::Alignment align, bool bold) override;
  double textWidth(const QString &text, double pixels) const override;
  // The whole drawing, an <svg> element that scales to the width it is given.
  QString svg() const;

private:
  double width_;
  double height_;
  QString body_;
};

// Draws with a QPainter: onto a widget, or into an image.
class PainterCanvas : public ChartCanvas {
public:
  explicit PainterCanvas(QPainter *painter) : painter_(painter) {}
  void line(QPointF from, QPointF to, const ChartPen &pen) override;
  void box(const QRectF &area, const QColor &fill) override;
  void polyline(const QList<QPointF> &points, const ChartPen &pen) override;
  void dot(QPointF at, double radius, const QColor &fill) override;
  void text(QPointF at, const QString &text, double pixels, const QColor &color,
            Qt::Alignment align, bool bold) override;
  double textWidth(const QString &text, double pixels) const override;

private:
  QPainter *painter_;
};

// Text escaped for HTML and SVG: every <, >, & and quote as an entity.
QString Escaped(const QString &text);
