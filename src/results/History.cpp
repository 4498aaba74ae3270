#include "History.h"

#include "Delivery.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {
QString StepName(const QString &file, int line) {
  return file.isEmpty() ? QStringLiteral("line %1").arg(line)
                        : QStringLiteral("%1:%2").arg(file).arg(line);
}
} // namespace

QList<StoredRun> UnitHistory(QSqlDatabase db, const QString &serial, bool withSteps, bool server,
                             QString *problem) {
  auto text = [server](const QVariant &value) {
    return server ? FromServerText(value.toString()) : value.toString();
  };
  QList<StoredRun> runs;
  QSqlQuery query(db);
  query.setForwardOnly(true);
  query.prepare(QStringLiteral(
      "SELECT id, started, station, device, sequence, verdict, reason, passes_asked, passes_run, "
      "started_ms "
      "FROM runs WHERE serial = ? ORDER BY started_ms, id"));
  query.addBindValue(server ? ToServerText(serial) : serial);
  if (!query.exec()) {
    *problem = query.lastError().text();
    return {};
  }
  while (query.next()) {
    StoredRun run;
    run.id = query.value(0).toString();
    run.started = query.value(1).toString();
    run.station = text(query.value(2));
    run.device = text(query.value(3));
    run.sequence = text(query.value(4));
    run.verdict = query.value(5).toString();
    run.reason = text(query.value(6));
    run.passesAsked = query.value(7).toInt();
    run.passesRun = query.value(8).toInt();
    run.startedMs = query.value(9).toLongLong();
    runs << run;
  }
  QSqlQuery steps(db), values(db);
  steps.setForwardOnly(true);
  values.setForwardOnly(true);
  steps.prepare(QStringLiteral(
      "SELECT file, line, text, verdict, ms, reply_ms, message FROM steps WHERE run_id = ? AND "
      "pass = (SELECT MAX(pass) FROM steps WHERE run_id = ?) ORDER BY step"));
  values.prepare(QStringLiteral(
      "SELECT name, text FROM step_values WHERE run_id = ? AND pass = (SELECT MAX(pass) FROM "
      "step_values WHERE run_id = ?) ORDER BY step, name"));
  for (StoredRun &run : runs) {
    steps.addBindValue(run.id);
    steps.addBindValue(run.id);
    if (steps.exec())
      while (steps.next()) {
        StoredStep step{text(steps.value(0)), steps.value(1).toInt(), text(steps.value(2)),
                        steps.value(3).toString(), steps.value(4).toLongLong(),
                        steps.value(5).isNull() ? -1 : steps.value(5).toLongLong(),
                        text(steps.value(6))};
        const bool failed = step.verdict != QLatin1String("PASS") &&
                            step.verdict != QLatin1String("SKIP") &&
                            step.verdict != QLatin1String("WAIT");
        if (failed && run.failedStep.isEmpty()) {
          run.failedStep = StepName(step.file, step.line) + QStringLiteral(": ") + step.text;
          run.failedMessage = step.message.section(QLatin1Char('\n'), 0, 0);
        }
        if (withSteps)
          run.steps << step;
      }
    values.addBindValue(run.id);
    values.addBindValue(run.id);
    if (values.exec())
      while (values.next())
        run.values << std::pair{text(values.value(0)), text(values.value(1))};
  }
  return runs;
}

QString HistoryText(const QString &serial, const QList<StoredRun> &runs) {
  if (runs.isEmpty())
    return QCoreApplication::translate("Results", "No runs of %1 are stored.\n").arg(serial);
  QString out;
  for (const StoredRun &run : runs) {
    const QString verdict =
        run.verdict.isEmpty() ? QCoreApplication::translate("Results", "UNFINISHED") : run.verdict;
    out += QStringLiteral("%1  %2  %3  %4  %5\n")
               .arg(run.started, verdict.leftJustified(8), run.station, run.device, run.sequence);
    if (run.passesAsked > 1 || run.passesRun != run.passesAsked)
      out += QCoreApplication::translate("Results", "    %1 of %2 passes run\n")
                 .arg(run.passesRun)
                 .arg(run.passesAsked);
    if (!run.failedStep.isEmpty())
      out += QStringLiteral("    %1\n      %2\n").arg(run.failedStep, run.failedMessage);
    if (!run.reason.isEmpty())
      out += QStringLiteral("    %1\n").arg(run.reason);
    QStringList values;
    for (const auto &[name, value] : run.values)
      values << QStringLiteral("%1 = %2").arg(name, value);
    if (!values.isEmpty())
      out += QStringLiteral("    ") + values.join(QStringLiteral(", ")) + QLatin1Char('\n');
  }
  return out;
}
