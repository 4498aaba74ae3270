// The yield's charts, each drawn by one piece of code onto any canvas (Canvas.h): the
// Pareto of failures, a histogram of a value with its limits, and a run chart of a value
// over time with its limits. Numbers on them follow Figure() (Yield.h).
#pragma once

#include "Canvas.h"
#include "Yield.h"

#include <QSizeF>

// The failing steps, the most first (the ten that fail most; the rest as one bar), as bars
// of the runs each failed, with the running total as a line against the scale on the right.
void DrawPareto(ChartCanvas &canvas, QSizeF size, const QList<FailureRow> &failures);
// How the values fall, in twenty bins, with the limits drawn.
void DrawHistogram(ChartCanvas &canvas, QSizeF size, const ValueFigures &value);
// Each value in the order it was taken, with the limits drawn; a long run is drawn as the
// spread of each of a few hundred stretches.
void DrawRunChart(ChartCanvas &canvas, QSizeF size, const ValueFigures &value);
