// The yield's figures as aligned text for the console, and as JSON for another program (the
// JSON is an interface: keys are only ever added).
#pragma once

#include "Yield.h"

#include <QJsonObject>

QString YieldText(const YieldFigures &figures);
QJsonObject YieldJson(const YieldFigures &figures);
// "2026-12-08 00:00 to 2026-12-09 00:00".
QString SpanText(const YieldFilter &filter);
