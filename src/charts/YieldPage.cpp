#include "YieldPage.h"

#include "Charts.h"
#include "Tool.h"
#include "YieldText.h"

#include <QCoreApplication>
#include <QDateTime>

namespace {
constexpr double kChartWidth = 720;
constexpr double kChartHeight = 260;

// columns: a letter a column, 't' for text (set left, wrapped), any other for a figure (set
// right, kept whole); columns beyond it are figures.
QString Row(const QStringList &cells, const char *columns, bool head = false) {
  const QString tag = head ? QStringLiteral("th") : QStringLiteral("td");
  QString row = QStringLiteral("<tr>");
  const qsizetype known = qsizetype(qstrlen(columns));
  for (qsizetype c = 0; c < cells.size(); ++c)
    row += c < known && columns[c] == 't'
               ? QStringLiteral("<%1 class=\"t\"><div>%2</div></%1>").arg(tag, Escaped(cells[c]))
               : QStringLiteral("<%1>%2</%1>").arg(tag, Escaped(cells[c]));
  return row + QStringLiteral("</tr>\n");
}

QString Table(const QStringList &head, const QList<QStringList> &rows, const char *columns = "t") {
  QString table = QStringLiteral("<div class=\"wide\"><table>\n") + Row(head, columns, true);
  for (const QStringList &row : rows)
    table += Row(row, columns);
  return table + QStringLiteral("</table></div>\n");
}

template <class Draw> QString Chart(Draw draw) {
  SvgCanvas canvas(kChartWidth, kChartHeight);
  draw(canvas, QSizeF(kChartWidth, kChartHeight));
  return QStringLiteral("<figure>") + canvas.svg() + QStringLiteral("</figure>\n");
}

QString Note(const QString &text) {
  return QStringLiteral("<p class=\"note\">%1</p>\n").arg(Escaped(text));
}

const char kStyle[] = R"(
body { font-family: sans-serif; margin: 1em auto; max-width: 60em; padding: 0 0.8em; color: #222; }
h1 { font-size: 1.5em; } h2 { font-size: 1.2em; margin-top: 1.6em; }
table { border-collapse: collapse; margin: 0.4em 0; }
th, td { border-bottom: 1px solid #ddd; padding: 0.25em 0.6em; text-align: right;
         white-space: nowrap; }
.t { text-align: left; white-space: normal; overflow-wrap: anywhere; word-break: break-word;
     min-width: 6em; max-width: 40em; }
.t div { max-height: 8em; overflow-y: auto; }
.wide { overflow-x: auto; max-width: 100%; }
figure { margin: 0.6em 0; max-width: 100%; }
.note { color: #555; overflow-wrap: anywhere; }
.big { font-size: 1.3em; font-weight: bold; }
@media print { h2 { break-after: avoid; } figure, table { break-inside: avoid; } }
)";
} // namespace

QString YieldPage(const YieldFigures &y) {
  QString page =
      QStringLiteral("<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\">\n"
                     "<head><meta charset=\"utf-8\"/>\n"
                     "<meta name=\"viewport\" content=\"width=device-width, "
                     "initial-scale=1\"/>\n<title>%1</title>\n<style>%2</style>\n"
                     "</head>\n<body>\n")
          .arg(Escaped(QCoreApplication::translate("Yield", "Yield, %1").arg(SpanText(y.filter))),
               QLatin1String(kStyle));
  page +=
      QStringLiteral("<h1>%1</h1>\n")
          .arg(Escaped(QCoreApplication::translate("Yield", "Yield, %1").arg(SpanText(y.filter))));
  QStringList filters;
  for (const auto &[name, value] :
       {std::pair{QCoreApplication::translate("Yield", "sequence"), y.filter.sequence},
        std::pair{QCoreApplication::translate("Yield", "station"), y.filter.station},
        std::pair{QCoreApplication::translate("Yield", "device"), y.filter.device}})
    if (!value.isEmpty())
      filters << QStringLiteral("%1 %2").arg(name, value);
  if (!filters.isEmpty())
    page += Note(filters.join(QStringLiteral(", ")));
  if (y.runs == 0) {
    page += QStringLiteral("<p class=\"big\">%1</p>\n")
                .arg(Escaped(QCoreApplication::translate("Yield", "No runs in this span.")));
  } else {
    page += QStringLiteral("<p class=\"big\">%1</p>\n")
                .arg(Escaped(
                    QCoreApplication::translate("Yield", "First-pass yield %1, final yield %2")
                        .arg(Percent(y.firstPassed, y.units), Percent(y.finalPassed, y.units))));
    page += Table(
        {QCoreApplication::translate("Yield", "Figure"),
         QCoreApplication::translate("Yield", "Count")},
        {{QCoreApplication::translate("Yield", "Units tested"), QString::number(y.units)},
         {QCoreApplication::translate("Yield", "Runs"), QString::number(y.runs)},
         {QCoreApplication::translate("Yield", "Retests"), QString::number(y.retests)},
         {QCoreApplication::translate("Yield", "Failed runs"), QString::number(y.failedRuns)}});
    if (y.runsWithoutSerial > 0)
      page += Note(QCoreApplication::translate(
                       "Yield", "%1 runs had no serial number: counted as runs, in no unit.")
                       .arg(y.runsWithoutSerial));
    QList<QStringList> attempts;
    for (const AttemptYield &a : y.attempts)
      attempts << QStringList{QString::number(a.attempt), QString::number(a.units),
                              QString::number(a.passed), Percent(a.passed, a.units)};
    page += QStringLiteral("<h2>%1</h2>\n")
                .arg(Escaped(QCoreApplication::translate("Yield", "Each attempt")));
    page += Table({QCoreApplication::translate("Yield", "Attempt"),
                   QCoreApplication::translate("Yield", "Units"),
                   QCoreApplication::translate("Yield", "Passed"),
                   QCoreApplication::translate("Yield", "Yield")},
                  attempts);

    page += QStringLiteral("<h2>%1</h2>\n")
                .arg(Escaped(QCoreApplication::translate("Yield", "What fails most")));
    page += Chart([&](ChartCanvas &c, QSizeF size) { DrawPareto(c, size, y.failures); });
    QList<QStringList> failures;
    for (int i = 0; i < y.failures.size(); ++i) {
      const FailureRow &f = y.failures[i];
      failures << QStringList{QStringLiteral("#%1").arg(i + 1), f.step, QString::number(f.runs),
                              Figure(100 * f.share) + " %", Figure(100 * f.cumulative) + " %"};
    }
    if (!failures.isEmpty())
      page += Table({QStringLiteral("#"), QCoreApplication::translate("Yield", "Step"),
                     QCoreApplication::translate("Yield", "Runs"),
                     QCoreApplication::translate("Yield", "Share"),
                     QCoreApplication::translate("Yield", "Total")},
                    failures, "ft");

    if (!y.values.isEmpty())
      page += QStringLiteral("<h2>%1</h2>\n")
                  .arg(Escaped(QCoreApplication::translate("Yield", "Values with limits")));
    for (const QString &name : y.limitsChanged)
      page += Note(QCoreApplication::translate(
                       "Yield", "The limits of %1 changed in this span: each pair is shown apart.")
                       .arg(name));
    for (const ValueFigures &v : y.values) {
      page += Table(
          {QCoreApplication::translate("Yield", "Value"),
           QCoreApplication::translate("Yield", "Limits"), QStringLiteral("n"),
           QCoreApplication::translate("Yield", "Mean"), QCoreApplication::translate("Yield", "SD"),
           QCoreApplication::translate("Yield", "Min"), QCoreApplication::translate("Yield", "Max"),
           QCoreApplication::translate("Yield", "Outside"), QStringLiteral("Cpk")},
          {{v.name, QStringLiteral("%1..%2").arg(Figure(v.low), Figure(v.high)),
            QString::number(v.n), v.n ? Figure(v.mean) : QStringLiteral("n/a"),
            v.sd ? Figure(*v.sd) : QStringLiteral("n/a"),
            v.n ? Figure(v.min) : QStringLiteral("n/a"),
            v.n ? Figure(v.max) : QStringLiteral("n/a"), QString::number(v.outside),
            v.cpk ? Figure(*v.cpk) : QStringLiteral("n/a")}});
      if (v.noCpk != ValueFigures::NoCpk::Some)
        page += Note(NoCpkText(v.noCpk));
      if (v.notNumbers > 0)
        page += Note(QCoreApplication::translate("Yield", "%1 values are no number, counted apart.")
                         .arg(v.notNumbers));
      page += Chart([&](ChartCanvas &c, QSizeF size) { DrawHistogram(c, size, v); });
      page += Chart([&](ChartCanvas &c, QSizeF size) { DrawRunChart(c, size, v); });
    }
    if (!y.latestFailures.isEmpty()) {
      QList<QStringList> failed;
      for (const FailedRun &f : y.latestFailures)
        failed << QStringList{f.serial,
                              QDateTime::fromString(f.started, Qt::ISODateWithMs)
                                  .toLocalTime()
                                  .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                              f.step, f.message};
      page += QStringLiteral("<h2>%1</h2>\n")
                  .arg(Escaped(QCoreApplication::translate("Yield", "The latest failures")));
      page += Table({QCoreApplication::translate("Yield", "Unit"),
                     QCoreApplication::translate("Yield", "When"),
                     QCoreApplication::translate("Yield", "Step"),
                     QCoreApplication::translate("Yield", "Why")},
                    failed, "tftt");
    }
    if (!y.replies.isEmpty()) {
      QList<QStringList> replies;
      for (const ReplyFigures &r : y.replies)
        replies << QStringList{r.step, QString::number(r.n), Figure(r.median) + " ms",
                               Figure(r.p90) + " ms", Figure(r.worst) + " ms"};
      page += QStringLiteral("<h2>%1</h2>\n")
                  .arg(Escaped(QCoreApplication::translate("Yield", "Reply times")));
      page += Table({QCoreApplication::translate("Yield", "Expect"), QStringLiteral("n"),
                     QCoreApplication::translate("Yield", "Median"), QStringLiteral("p90"),
                     QCoreApplication::translate("Yield", "Worst")},
                    replies);
    }
  }
  page += Note(QCoreApplication::translate("Yield", "Made by %1 %2 at %3.")
                   .arg(QLatin1String(kToolName), QLatin1String(kToolVersion),
                        QDateTime::currentDateTime().toString(Qt::ISODate)));
  return page + QStringLiteral("</body>\n</html>\n");
}
