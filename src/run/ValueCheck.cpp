#include "ValueCheck.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>

#include <cmath>

QString CheckProblem(const SequenceStep &step, const QHash<QString, QString> &values) {
  const QString value = values.value(step.variable);
  const QString shown = QStringLiteral("%1 = %2").arg(step.variable, value);
  switch (step.test) {
  case SequenceStep::Between: {
    bool number = false;
    const double v = QLocale::c().toDouble(value.trimmed(), &number);
    // NaN compares false with everything, so it would fall within any limits.
    if (!number || std::isnan(v))
      return QCoreApplication::translate("SequenceRunner", "%1: not a number").arg(shown);
    if (!std::isfinite(v))
      return QCoreApplication::translate("SequenceRunner", "%1: not finite").arg(shown);
    if (v < step.low || v > step.high)
      return QCoreApplication::translate("SequenceRunner", "%1, not between %2 and %3")
          .arg(shown, NumberText(step.low), NumberText(step.high));
    return {};
  }
  case SequenceStep::Is:
    if (value != FillText(step, values))
      return QCoreApplication::translate("SequenceRunner", "%1, not \"%2\"")
          .arg(shown, FillText(step, values));
    return {};
  case SequenceStep::Matches: {
    const QRegularExpressionMatch match = QRegularExpression(FillText(step, values)).match(value);
    if (!match.isValid())
      return QCoreApplication::translate("SequenceRunner",
                                         "the pattern went past the engine's match limit");
    if (!match.hasMatch())
      return QCoreApplication::translate("SequenceRunner", "%1, does not match \"%2\"")
          .arg(shown, FillText(step, values));
    return {};
  }
  }
  return {};
}
