#include "YieldText.h"

#include "Tool.h"

#include <QCoreApplication>
#include <QJsonArray>

namespace {

// Rows of cells, each column as wide as its widest cell; the first column left, the rest
// right.
QString Table(const QList<QStringList> &rows) {
  std::vector<qsizetype> widths;
  for (const QStringList &row : rows)
    for (qsizetype c = 0; c < row.size(); ++c) {
      if (qsizetype(widths.size()) <= c)
        widths.push_back(0);
      widths[size_t(c)] = std::max(widths[size_t(c)], row[c].size());
    }
  QString text;
  for (const QStringList &row : rows) {
    QString line = QStringLiteral("  ");
    for (qsizetype c = 0; c < row.size(); ++c)
      line += (c == 0 ? row[c].leftJustified(widths[size_t(c)])
                      : row[c].rightJustified(widths[size_t(c)])) +
              QStringLiteral("  ");
    text += line.trimmed().prepend(QStringLiteral("  ")) + QLatin1Char('\n');
  }
  return text;
}

QJsonValue Optional(const std::optional<double> &value) {
  return value ? QJsonValue(*value) : QJsonValue();
}

const char *NoCpkKey(ValueFigures::NoCpk why) {
  switch (why) {
  case ValueFigures::NoCpk::NoNumbers:
    return "no_numbers";
  case ValueFigures::NoCpk::OneValue:
    return "one_value";
  case ValueFigures::NoCpk::AllEqual:
    return "all_equal";
  default:
    return "";
  }
}
} // namespace

QString SpanText(const YieldFilter &filter) {
  const QString format = QStringLiteral("yyyy-MM-dd HH:mm");
  return QCoreApplication::translate("Yield", "%1 to %2")
      .arg(filter.since.toString(format), filter.until.toString(format));
}

QString YieldText(const YieldFigures &y) {
  QString text = QCoreApplication::translate("Yield", "Yield, %1").arg(SpanText(y.filter));
  for (const auto &[name, value] :
       {std::pair{QCoreApplication::translate("Yield", "sequence"), y.filter.sequence},
        std::pair{QCoreApplication::translate("Yield", "station"), y.filter.station},
        std::pair{QCoreApplication::translate("Yield", "device"), y.filter.device}})
    if (!value.isEmpty())
      text += QStringLiteral(", %1 %2").arg(name, value);
  text += QLatin1Char('\n');
  if (y.runs == 0)
    return text + QCoreApplication::translate("Yield", "No runs in this span.\n");
  text += Table(
      {{QCoreApplication::translate("Yield", "Units tested"), QString::number(y.units)},
       {QCoreApplication::translate("Yield", "Runs"), QString::number(y.runs)},
       {QCoreApplication::translate("Yield", "Retests"), QString::number(y.retests)},
       {QCoreApplication::translate("Yield", "First-pass yield"), Percent(y.firstPassed, y.units)},
       {QCoreApplication::translate("Yield", "Final yield"), Percent(y.finalPassed, y.units)}});
  if (y.runsWithoutSerial > 0)
    text += QCoreApplication::translate(
                "Yield", "  %1 runs had no serial number: counted as runs, in no unit.\n")
                .arg(y.runsWithoutSerial);
  QList<QStringList> attempts{{QCoreApplication::translate("Yield", "Attempt"),
                               QCoreApplication::translate("Yield", "Units"),
                               QCoreApplication::translate("Yield", "Passed"),
                               QCoreApplication::translate("Yield", "Yield")}};
  for (const AttemptYield &a : y.attempts)
    attempts << QStringList{QString::number(a.attempt), QString::number(a.units),
                            QString::number(a.passed), Percent(a.passed, a.units)};
  text += QLatin1Char('\n') + Table(attempts);
  text +=
      QLatin1Char('\n') +
      QCoreApplication::translate("Yield", "What fails most (%1 failed runs):\n").arg(y.failedRuns);
  if (y.failures.isEmpty())
    text += QCoreApplication::translate("Yield", "  Nothing failed.\n");
  else {
    QList<QStringList> rows{{QCoreApplication::translate("Yield", "Step"),
                             QCoreApplication::translate("Yield", "Runs"),
                             QCoreApplication::translate("Yield", "Share"),
                             QCoreApplication::translate("Yield", "Total")}};
    for (const FailureRow &f : y.failures)
      rows << QStringList{f.step, QString::number(f.runs), Figure(100 * f.share) + " %",
                          Figure(100 * f.cumulative) + " %"};
    text += Table(rows);
  }
  if (!y.values.isEmpty()) {
    text += QLatin1Char('\n') + QCoreApplication::translate("Yield", "Values with limits:\n");
    QList<QStringList> rows{
        {QCoreApplication::translate("Yield", "Value"),
         QCoreApplication::translate("Yield", "Limits"), "n",
         QCoreApplication::translate("Yield", "Mean"), QCoreApplication::translate("Yield", "SD"),
         QCoreApplication::translate("Yield", "Min"), QCoreApplication::translate("Yield", "Max"),
         QCoreApplication::translate("Yield", "Outside"), "Cpk"}};
    for (const ValueFigures &v : y.values)
      rows << QStringList{v.name,
                          QStringLiteral("%1..%2").arg(Figure(v.low), Figure(v.high)),
                          QString::number(v.n),
                          v.n ? Figure(v.mean) : QStringLiteral("n/a"),
                          v.sd ? Figure(*v.sd) : QStringLiteral("n/a"),
                          v.n ? Figure(v.min) : QStringLiteral("n/a"),
                          v.n ? Figure(v.max) : QStringLiteral("n/a"),
                          QString::number(v.outside),
                          v.cpk ? Figure(*v.cpk) : QStringLiteral("n/a")};
    text += Table(rows);
    for (const ValueFigures &v : y.values) {
      if (v.noCpk != ValueFigures::NoCpk::Some)
        text += QStringLiteral("  %1 (%2..%3): %4\n")
                    .arg(v.name, Figure(v.low), Figure(v.high), NoCpkText(v.noCpk));
      if (v.notNumbers > 0)
        text += QCoreApplication::translate(
                    "Yield", "  %1 (%2..%3): %4 values are no number, counted apart\n")
                    .arg(v.name, Figure(v.low), Figure(v.high))
                    .arg(v.notNumbers);
    }
    for (const QString &name : y.limitsChanged)
      text += QCoreApplication::translate(
                  "Yield", "  The limits of %1 changed in this span: each pair is shown apart.\n")
                  .arg(name);
  }
  if (!y.replies.isEmpty()) {
    text += QLatin1Char('\n') + QCoreApplication::translate("Yield", "Reply times:\n");
    QList<QStringList> rows{{QCoreApplication::translate("Yield", "Expect"), "n",
                             QCoreApplication::translate("Yield", "Median"), "p90",
                             QCoreApplication::translate("Yield", "Worst")}};
    for (const ReplyFigures &r : y.replies)
      rows << QStringList{r.step, QString::number(r.n), Figure(r.median) + " ms",
                          Figure(r.p90) + " ms", Figure(r.worst) + " ms"};
    text += Table(rows);
  }
  return text;
}

QJsonObject YieldJson(const YieldFigures &y) {
  QJsonArray attempts, failures, values, replies;
  for (const AttemptYield &a : y.attempts)
    attempts.append(QJsonObject{{"attempt", a.attempt}, {"units", a.units}, {"passed", a.passed}});
  for (const FailureRow &f : y.failures)
    failures.append(QJsonObject{{"step", f.step},
                                {"variable", f.variable},
                                {"runs", f.runs},
                                {"share", f.share},
                                {"cumulative", f.cumulative}});
  for (const ValueFigures &v : y.values) {
    QJsonObject value{{"name", v.name},
                      {"low", v.low},
                      {"high", v.high},
                      {"n", v.n},
                      {"not_numbers", v.notNumbers},
                      {"mean", v.n ? QJsonValue(v.mean) : QJsonValue()},
                      {"sd", Optional(v.sd)},
                      {"min", v.n ? QJsonValue(v.min) : QJsonValue()},
                      {"max", v.n ? QJsonValue(v.max) : QJsonValue()},
                      {"outside", v.outside},
                      {"cpk", Optional(v.cpk)}};
    if (v.noCpk != ValueFigures::NoCpk::Some)
      value.insert("no_cpk", QLatin1String(NoCpkKey(v.noCpk)));
    values.append(value);
  }
  for (const ReplyFigures &r : y.replies)
    replies.append(QJsonObject{{"expect", r.step},
                               {"n", r.n},
                               {"median_ms", r.median},
                               {"p90_ms", r.p90},
                               {"worst_ms", r.worst}});
  auto ratio = [](int part, int whole) {
    return whole > 0 ? QJsonValue(double(part) / whole) : QJsonValue();
  };
  QJsonArray latest;
  for (const FailedRun &f : y.latestFailures)
    latest.append(QJsonObject{
        {"serial", f.serial}, {"started", f.started}, {"step", f.step}, {"message", f.message}});
  return {{"tool", QLatin1String(kToolName)},
          {"version", QLatin1String(kToolVersion)},
          {"since",
           y.filter.since.toOffsetFromUtc(y.filter.since.offsetFromUtc()).toString(Qt::ISODate)},
          {"until",
           y.filter.until.toOffsetFromUtc(y.filter.until.offsetFromUtc()).toString(Qt::ISODate)},
          {"sequence", y.filter.sequence},
          {"station", y.filter.station},
          {"device", y.filter.device},
          {"runs", y.runs},
          {"units", y.units},
          {"runs_without_serial", y.runsWithoutSerial},
          {"retests", y.retests},
          {"failed_runs", y.failedRuns},
          {"first_pass_yield", ratio(y.firstPassed, y.units)},
          {"final_yield", ratio(y.finalPassed, y.units)},
          {"attempts", attempts},
          {"failures", failures},
          {"values", values},
          {"limits_changed", QJsonArray::fromStringList(y.limitsChanged)},
          {"replies", replies},
          {"latest_failures", latest}};
}
