#include "Charts.h"

#include <QCoreApplication>
#include <QDateTime>

#include <algorithm>
#include <cmath>

namespace {
const QColor kInk(34, 34, 34);
const QColor kAxis(110, 110, 110);
const QColor kGrid(225, 225, 225);
const QColor kBar(74, 122, 184);
const QColor kTotal(224, 128, 0);
const QColor kLimit(200, 0, 0);
constexpr double kTitlePixels = 13;
constexpr double kLabelPixels = 11;
// Stretches a long run chart is drawn as.
constexpr int kStretches = 400;

// Ticks for a scale from low to high: about five, at 1, 2 or 5 times a power of ten.
std::vector<double> Ticks(double low, double high) {
  const double span = high - low;
  const double rough = span / 5;
  const double power = std::pow(10, std::floor(std::log10(rough)));
  double step = power;
  for (const double m : {1.0, 2.0, 5.0, 10.0})
    if (rough <= m * power) {
      step = m * power;
      break;
    }
  std::vector<double> ticks;
  for (double t = std::ceil(low / step) * step; t <= high + step * 1e-9; t += step)
    ticks.push_back(std::abs(t) < step * 1e-9 ? 0 : t);
  return ticks;
}

// The frame of a chart: its title, and the plot area left after the labels' room.
struct Frame {
  QRectF plot;
  double low = 0;
  double high = 1;
  double y(double v) const { return plot.bottom() - (v - low) / (high - low) * plot.height(); }
};

Frame Axes(ChartCanvas &c, QSizeF size, const QString &title, double low, double high,
           double rightRoom) {
  Frame f;
  if (high <= low)
    high = low + 1;
  f.low = low;
  f.high = high;
  double labelWidth = 0;
  const std::vector<double> ticks = Ticks(low, high);
  for (const double t : ticks)
    labelWidth = std::max(labelWidth, c.textWidth(Figure(t), kLabelPixels));
  f.plot = QRectF(QPointF(labelWidth + 10, kTitlePixels + 12),
                  QPointF(size.width() - rightRoom, size.height() - kLabelPixels - 12));
  c.text(QPointF(4, kTitlePixels + 2), title, kTitlePixels, kInk, Qt::AlignLeft, true);
  for (const double t : ticks) {
    const double y = f.y(t);
    c.line(QPointF(f.plot.left(), y), QPointF(f.plot.right(), y), {kGrid, 1, false});
    c.text(QPointF(f.plot.left() - 5, y + kLabelPixels / 3), Figure(t), kLabelPixels, kAxis,
           Qt::AlignRight);
  }
  c.line(f.plot.bottomLeft(), f.plot.bottomRight(), {kAxis, 1, false});
  c.line(f.plot.bottomLeft(), f.plot.topLeft(), {kAxis, 1, false});
  return f;
}

// The scale of a value: its values and its limits, with a little room either side.
std::pair<double, double> Scale(const ValueFigures &v) {
  double low = std::min(v.low, v.n ? v.min : v.low);
  double high = std::max(v.high, v.n ? v.max : v.high);
  const double room = (high - low) * 0.08;
  return room > 0 ? std::pair(low - room, high + room) : std::pair(low - 1, high + 1);
}

QString ValueTitle(const ValueFigures &v, const char *what) {
  return QCoreApplication::translate("Yield", what).arg(v.name, Figure(v.low), Figure(v.high));
}
} // namespace

void DrawPareto(ChartCanvas &c, QSizeF size, const QList<FailureRow> &failures) {
  constexpr int kBars = 10;
  QList<FailureRow> bars = failures.mid(0, kBars);
  if (failures.size() > kBars) {
    FailureRow rest;
    rest.step = QCoreApplication::translate("Yield", "the others");
    for (const FailureRow &f : failures.mid(kBars))
      rest.runs += f.runs;
    rest.cumulative = failures.last().cumulative;
    bars << rest;
  }
  int most = 1;
  for (const FailureRow &f : bars)
    most = std::max(most, f.runs);
  const double right = c.textWidth(QStringLiteral("100 %"), kLabelPixels) + 12;
  const Frame f = Axes(c, size, QCoreApplication::translate("Yield", "What fails most"), 0,
                       Ticks(0, most).back() < most ? most * 1.1 : Ticks(0, most).back(), right);
  // The running total's scale, on the right.
  for (int p = 0; p <= 100; p += 25) {
    const double y = f.plot.bottom() - p / 100.0 * f.plot.height();
    c.text(QPointF(f.plot.right() + 5, y + kLabelPixels / 3), QStringLiteral("%1 %").arg(p),
           kLabelPixels, kTotal);
  }
  if (bars.isEmpty()) {
    c.text(f.plot.center(), QCoreApplication::translate("Yield", "Nothing failed"), kTitlePixels,
           kAxis, Qt::AlignHCenter);
    return;
  }
  const double slot = f.plot.width() / bars.size();
  QList<QPointF> total;
  for (int i = 0; i < bars.size(); ++i) {
    const double x = f.plot.left() + i * slot;
    c.box(QRectF(QPointF(x + slot * 0.15, f.y(bars[i].runs)),
                 QPointF(x + slot * 0.85, f.plot.bottom())),
          kBar);
    c.text(QPointF(x + slot / 2, f.plot.bottom() + kLabelPixels + 4),
           i < kBars ? QStringLiteral("#%1").arg(i + 1) : QStringLiteral("…"), kLabelPixels, kAxis,
           Qt::AlignHCenter);
    total << QPointF(x + slot / 2, f.plot.bottom() - bars[i].cumulative * f.plot.height());
  }
  c.polyline(total, {kTotal, 2, false});
  for (const QPointF &p : std::as_const(total))
    c.dot(p, 3, kTotal);
}

void DrawHistogram(ChartCanvas &c, QSizeF size, const ValueFigures &v) {
  constexpr int kBins = 20;
  // Plain names, not a structured binding: the lambda below reads them.
  const std::pair<double, double> scale = Scale(v);
  const double low = scale.first, high = scale.second;
  std::vector<int> bins(kBins, 0);
  for (const auto &[ms, x] : v.points)
    ++bins[size_t(std::clamp(int((x - low) / (high - low) * kBins), 0, kBins - 1))];
  const int most = std::max(1, *std::max_element(bins.begin(), bins.end()));
  const Frame f =
      Axes(c, size, ValueTitle(v, QT_TRANSLATE_NOOP("Yield", "%1 (%2..%3): how the values fall")),
           0, Ticks(0, most).back() < most ? most * 1.1 : Ticks(0, most).back(), 12);
  auto x = [&](double value) {
    return f.plot.left() + (value - low) / (high - low) * f.plot.width();
  };
  const double width = f.plot.width() / kBins;
  for (int b = 0; b < kBins; ++b)
    if (bins[size_t(b)] > 0)
      c.box(QRectF(QPointF(f.plot.left() + b * width + 1, f.y(bins[size_t(b)])),
                   QPointF(f.plot.left() + (b + 1) * width - 1, f.plot.bottom())),
            kBar);
  for (const double limit : {v.low, v.high}) {
    c.line(QPointF(x(limit), f.plot.top()), QPointF(x(limit), f.plot.bottom()),
           {kLimit, 1.5, true});
    c.text(QPointF(x(limit), f.plot.bottom() + kLabelPixels + 4), Figure(limit), kLabelPixels,
           kLimit, Qt::AlignHCenter);
  }
}

void DrawRunChart(ChartCanvas &c, QSizeF size, const ValueFigures &v) {
  const auto [low, high] = Scale(v);
  const Frame f = Axes(c, size, ValueTitle(v, QT_TRANSLATE_NOOP("Yield", "%1 (%2..%3) over time")),
                       low, high, 12);
  for (const double limit : {v.low, v.high})
    c.line(QPointF(f.plot.left(), f.y(limit)), QPointF(f.plot.right(), f.y(limit)),
           {kLimit, 1.5, true});
  if (v.points.empty())
    return;
  const qint64 first = v.points.front().first;
  const qint64 span = std::max<qint64>(1, v.points.back().first - first);
  auto x = [&](qint64 ms) { return f.plot.left() + double(ms - first) / span * f.plot.width(); };
  for (const double at : {0.0, 0.5, 1.0}) {
    const qint64 ms = first + qint64(at * span);
    c.text(QPointF(x(ms), f.plot.bottom() + kLabelPixels + 4),
           QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("MM-dd HH:mm")), kLabelPixels,
           kAxis,
           at == 0.0   ? Qt::AlignLeft
           : at == 1.0 ? Qt::AlignRight
                       : Qt::AlignHCenter);
  }
  if (v.points.size() <= size_t(kStretches) * 2) {
    for (const auto &[ms, value] : v.points)
      c.dot(QPointF(x(ms), f.y(value)), 2, value < v.low || value > v.high ? kLimit : kBar);
    return;
  }
  // Each stretch as the spread of its values, so that no value outside the limits is lost.
  const size_t per = (v.points.size() + kStretches - 1) / kStretches;
  for (size_t i = 0; i < v.points.size(); i += per) {
    double least = v.points[i].second, most = least;
    for (size_t k = i; k < std::min(v.points.size(), i + per); ++k) {
      least = std::min(least, v.points[k].second);
      most = std::max(most, v.points[k].second);
    }
    const double at = x(v.points[i].first);
    c.line(QPointF(at, f.y(least)), QPointF(at, f.y(most) - 0.5), {kBar, 1.5, false});
    for (const double value : {least, most})
      if (value < v.low || value > v.high)
        c.dot(QPointF(at, f.y(value)), 2, kLimit);
  }
}
