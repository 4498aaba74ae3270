#include "Yield.h"

#include "Delivery.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QMap>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cmath>

namespace {
// The runs the filter takes, as a condition on the table "r" and its values.
struct Selection {
  QString where;
  QVariantList values;
};

Selection Select(const YieldFilter &f, bool server) {
  Selection s{QStringLiteral("r.started_ms >= ? AND r.started_ms < ? AND r.verdict IS NOT NULL"),
              {f.since.toMSecsSinceEpoch(), f.until.toMSecsSinceEpoch()}};
  const std::pair<const char *, QString> named[] = {
      {"sequence", f.sequence}, {"station", f.station}, {"device", f.device}};
  for (const auto &[column, value] : named)
    if (!value.isEmpty()) {
      s.where += QStringLiteral(" AND r.%1 = ?").arg(QLatin1String(column));
      s.values << (server ? ToServerText(value) : value);
    }
  return s;
}

// The rows of a table of steps or values (alias "t") of the runs the filter takes. A span
// alone is read off the rows' own start through the yield's indexes; a sequence, a station
// or a device asks each row's run.
struct Rows {
  QString from;
  Selection where;
};

Rows Of(const char *table, const YieldFilter &f, bool server) {
  if (f.sequence.isEmpty() && f.station.isEmpty() && f.device.isEmpty())
    return {QStringLiteral("%1 t").arg(QLatin1String(table)),
            {QStringLiteral("t.started_ms >= ? AND t.started_ms < ?"),
             {f.since.toMSecsSinceEpoch(), f.until.toMSecsSinceEpoch()}}};
  return {QStringLiteral("%1 t JOIN runs r ON r.id = t.run_id").arg(QLatin1String(table)),
          Select(f, server)};
}

bool Exec(QSqlQuery &query, const QString &sql, const Selection &s, QString *problem) {
  query.setForwardOnly(true);
  query.prepare(sql);
  for (const QVariant &v : s.values)
    query.addBindValue(v);
  if (query.exec())
    return true;
  *problem = query.lastError().text();
  return false;
}

QString StepName(const QString &file, int line, const QString &text) {
  return (file.isEmpty() ? QStringLiteral("line %1").arg(line)
                         : QStringLiteral("%1:%2").arg(file).arg(line)) +
         QStringLiteral(": ") + text;
}

QString Text(const QSqlQuery &query, int i, bool server) {
  return server ? FromServerText(query.value(i).toString()) : query.value(i).toString();
}

// The variable a step checks ("check temp between 20 and 40" checks temp), or empty.
QString CheckedVariable(const QString &text) {
  return text.startsWith(QLatin1String("check ")) ? text.section(QLatin1Char(' '), 1, 1)
                                                  : QString();
}

// The nearest rank: the least time at or below which this share of the counts lies.
double Rank(const std::map<qint64, qint64> &counts, qint64 n, double share) {
  const qint64 wanted = qMax<qint64>(1, qint64(std::ceil(share * double(n))));
  qint64 seen = 0;
  for (const auto &[ms, count] : counts)
    if ((seen += count) >= wanted)
      return double(ms);
  return counts.empty() ? 0 : double(counts.rbegin()->first);
}
} // namespace

void YieldTally::addRun(const QString &serial, const QString &verdict) {
  ++runs_;
  failedRuns_ += verdict == QLatin1String("FAIL");
  if (serial.isEmpty()) {
    ++runsWithoutSerial_;
    return;
  }
  // Counted as the runs come, oldest first: a run stored later adds in a moment.
  const bool passed = verdict == QLatin1String("PASS");
  Unit &unit = units_[serial];
  if (unit.runs == 0) {
    firstPassed_ += passed;
  } else {
    ++retests_;
    finalPassed_ -= unit.lastPassed;
  }
  finalPassed_ += passed;
  unit.lastPassed = passed;
  if (attempts_.size() <= unit.runs)
    attempts_.append({int(attempts_.size()) + 1, 0, 0});
  ++attempts_[unit.runs].units;
  attempts_[unit.runs].passed += passed;
  ++unit.runs;
}

void YieldTally::addFailure(const Step &step, int runs) { failures_[step] += runs; }

void YieldTally::addValue(const QString &name, double low, double high, const QVariant &number,
                          qint64 ms) {
  Values &v = values_[std::tuple(name, low, high)];
  v.name = name;
  v.low = low;
  v.high = high;
  if (number.isNull())
    ++v.notNumbers;
  else
    v.points.emplace_back(ms, number.toDouble());
}

void YieldTally::addReply(const Step &step, qint64 ms, qint64 count) {
  replies_[step][ms] += count;
}

bool YieldTally::read(QSqlDatabase db, bool server, QString *problem) {
  const Selection s = Select(filter_, server);
  QSqlQuery runs(db);
  if (!Exec(runs,
            QStringLiteral("SELECT r.serial, r.verdict FROM runs r WHERE %1 ORDER BY r.started_ms, "
                           "r.id")
                .arg(s.where),
            s, problem))
    return false;
  while (runs.next())
    addRun(Text(runs, 0, server), runs.value(1).toString());
  if (runs_ == 0)
    return true;
  const Rows steps = Of("steps", filter_, server);
  QSqlQuery failures(db);
  if (!Exec(
          failures,
          QStringLiteral("SELECT t.file, t.line, t.text, COUNT(DISTINCT t.run_id) FROM %1 WHERE %2 "
                         "AND t.verdict = 'FAIL' GROUP BY t.file, t.line, t.text")
              .arg(steps.from, steps.where.where),
          steps.where, problem))
    return false;
  while (failures.next())
    addFailure({Text(failures, 0, server), failures.value(1).toInt(), Text(failures, 2, server)},
               failures.value(3).toInt());
  const Rows measured = Of("step_values", filter_, server);
  QSqlQuery values(db);
  if (!Exec(values,
            QStringLiteral("SELECT t.name, t.low, t.high, t.number, t.started_ms FROM %1 WHERE %2 "
                           "AND t.low IS NOT NULL ORDER BY t.started_ms")
                .arg(measured.from, measured.where.where),
            measured.where, problem))
    return false;
  while (values.next())
    addValue(Text(values, 0, server), values.value(1).toDouble(), values.value(2).toDouble(),
             values.value(3), values.value(4).toLongLong());
  QSqlQuery replies(db);
  if (!Exec(replies,
            QStringLiteral("SELECT t.file, t.line, t.text, t.reply_ms, COUNT(*) FROM %1 WHERE %2 "
                           "AND t.reply_ms IS NOT NULL GROUP BY t.file, t.line, t.text, t.reply_ms")
                .arg(steps.from, steps.where.where),
            steps.where, problem))
    return false;
  while (replies.next())
    addReply({Text(replies, 0, server), replies.value(1).toInt(), Text(replies, 2, server)},
             replies.value(3).toLongLong(), replies.value(4).toLongLong());
  QSqlQuery latest(db);
  if (!Exec(latest,
            QStringLiteral(
                "SELECT r.serial, r.started, s.file, s.line, s.text, s.message FROM runs r "
                "JOIN steps s ON s.run_id = r.id WHERE %1 AND r.verdict = 'FAIL' AND "
                "s.verdict = 'FAIL' ORDER BY r.started_ms DESC, r.id, s.pass, s.step "
                "LIMIT %2")
                .arg(s.where)
                .arg(kListedFailures),
            s, problem))
    return false;
  while (latest.next())
    latest_ << FailedRun{
        Text(latest, 0, server), latest.value(1).toString(),
        StepName(Text(latest, 2, server), latest.value(3).toInt(), Text(latest, 4, server)),
        Text(latest, 5, server).section(QLatin1Char('\n'), 0, 0)};
  return true;
}

bool YieldTally::add(const RunRecord &record) {
  const YieldFilter &f = filter_;
  const PassRecord *last = record.passes.isEmpty() ? nullptr : &record.passes.last();
  if (record.started < f.since || record.started >= f.until || !last ||
      (!f.sequence.isEmpty() && QFileInfo(record.sequence).fileName() != f.sequence) ||
      (!f.station.isEmpty() && record.host != f.station) ||
      (!f.device.isEmpty() && last->device != f.device))
    return false;
  const QString verdict = VerdictWord(record.verdict());
  addRun(last->variables.value(QStringLiteral("serial")), verdict);
  const qint64 ms = record.started.toMSecsSinceEpoch();
  QSet<QString> failed;
  FailedRun first;
  for (const PassRecord &pass : record.passes)
    for (int i = 0; i < pass.results.size(); ++i) {
      const SequenceStep &step = record.steps[i];
      const StepResult &r = pass.results[i];
      const Step where{step.file, step.line, step.source};
      const QString name = StepName(step.file, step.line, step.source);
      if (r.failedUnit() && !failed.contains(name)) {
        failed.insert(name);
        addFailure(where, 1);
        if (first.step.isEmpty())
          first = {last->variables.value(QStringLiteral("serial")), TimeText(record.started), name,
                   r.message.section(QLatin1Char('\n'), 0, 0)};
      }
      if (r.replyMs >= 0)
        addReply(where, r.replyMs, 1);
      if (step.kind == SequenceStep::Check && step.test == SequenceStep::Between &&
          r.values.contains(step.variable)) {
        bool number = false;
        const double v = QLocale::c().toDouble(r.values.value(step.variable).trimmed(), &number);
        addValue(step.variable, step.low, step.high,
                 number && std::isfinite(v) ? QVariant(v) : QVariant(), ms);
      }
    }
  if (verdict == QLatin1String("FAIL") && !first.step.isEmpty()) {
    latest_.prepend(first);
    if (latest_.size() > kListedFailures)
      latest_.removeLast();
  }
  return true;
}

YieldFigures YieldTally::figures() const {
  YieldFigures y;
  y.filter = filter_;
  y.runs = runs_;
  y.runsWithoutSerial = runsWithoutSerial_;
  y.failedRuns = failedRuns_;
  y.units = int(units_.size());
  y.retests = retests_;
  y.firstPassed = firstPassed_;
  y.finalPassed = finalPassed_;
  y.attempts = attempts_;
  for (auto it = failures_.cbegin(); it != failures_.cend(); ++it) {
    const auto &[file, line, text] = it.key();
    y.failures << FailureRow{StepName(file, line, text), CheckedVariable(text), it.value(), 0, 0};
  }
  std::stable_sort(y.failures.begin(), y.failures.end(),
                   [](const FailureRow &a, const FailureRow &b) { return a.runs > b.runs; });
  double cumulative = 0;
  for (FailureRow &f : y.failures) {
    f.share = failedRuns_ > 0 ? double(f.runs) / failedRuns_ : 0;
    cumulative += f.share;
    f.cumulative = std::min(1.0, cumulative);
  }
  QHash<QString, int> pairs;
  for (const Values &group : values_) {
    ++pairs[group.name];
    ValueFigures v;
    v.name = group.name;
    v.low = group.low;
    v.high = group.high;
    v.notNumbers = group.notNumbers;
    v.points = group.points;
    // Read in time order, and runs stored later are newer: sorted but for a clock set back.
    const auto older = [](const auto &a, const auto &b) { return a.first < b.first; };
    if (!std::is_sorted(v.points.begin(), v.points.end(), older))
      std::stable_sort(v.points.begin(), v.points.end(), older);
    v.n = int(v.points.size());
    if (v.n == 0) {
      v.noCpk = ValueFigures::NoCpk::NoNumbers;
      y.values << v;
      continue;
    }
    double sum = 0;
    v.min = v.max = v.points.front().second;
    for (const auto &[ms, x] : v.points) {
      sum += x;
      v.min = std::min(v.min, x);
      v.max = std::max(v.max, x);
      v.outside += x < v.low || x > v.high;
    }
    v.mean = sum / v.n;
    if (v.n < 2) {
      v.noCpk = ValueFigures::NoCpk::OneValue;
    } else {
      double squares = 0;
      for (const auto &[ms, x] : v.points)
        squares += (x - v.mean) * (x - v.mean);
      v.sd = std::sqrt(squares / (v.n - 1));
      if (v.max == v.min)
        v.noCpk = ValueFigures::NoCpk::AllEqual;
      else
        v.cpk = std::min(v.high - v.mean, v.mean - v.low) / (3 * *v.sd);
    }
    y.values << v;
  }
  for (auto it = pairs.cbegin(); it != pairs.cend(); ++it)
    if (it.value() > 1)
      y.limitsChanged << it.key();
  y.limitsChanged.sort();
  for (auto it = replies_.cbegin(); it != replies_.cend(); ++it) {
    ReplyFigures r;
    const auto &[file, line, text] = it.key();
    r.step = StepName(file, line, text);
    for (const auto &[ms, count] : it.value())
      r.n += int(count);
    r.median = Rank(it.value(), r.n, 0.5);
    r.p90 = Rank(it.value(), r.n, 0.9);
    r.worst = it.value().empty() ? 0 : double(it.value().rbegin()->first);
    y.replies << r;
  }
  y.latestFailures = latest_;
  return y;
}

YieldFigures ComputeYield(QSqlDatabase db, bool server, const YieldFilter &filter,
                          QString *problem) {
  YieldTally tally(filter);
  tally.read(db, server, problem);
  return tally.figures();
}

bool SequenceKnown(QSqlDatabase db, bool server, const QString &sequence) {
  QSqlQuery query(db);
  query.prepare(QStringLiteral("SELECT 1 FROM runs WHERE sequence = ? LIMIT 1"));
  query.addBindValue(server ? ToServerText(sequence) : sequence);
  return query.exec() && query.next();
}

QString NoCpkText(ValueFigures::NoCpk why) {
  switch (why) {
  case ValueFigures::NoCpk::Some:
    return {};
  case ValueFigures::NoCpk::NoNumbers:
    return QCoreApplication::translate("Yield", "no value is a number");
  case ValueFigures::NoCpk::OneValue:
    return QCoreApplication::translate("Yield", "one value: no spread, no Cpk");
  case ValueFigures::NoCpk::AllEqual:
    return QCoreApplication::translate("Yield", "all values equal: Cpk undefined");
  }
  return {};
}

QString Percent(int part, int whole) {
  if (whole <= 0)
    return QStringLiteral("n/a");
  // A unit that failed never rounds into 100.0 %, nor a passed one into 0.0 %.
  double percent = 100.0 * part / whole;
  if (part < whole)
    percent = std::min(percent, 99.9);
  if (part > 0)
    percent = std::max(percent, 0.1);
  return QLocale::c().toString(percent, 'f', 1) + QStringLiteral(" %");
}

QString Figure(double value) {
  if (!std::isfinite(value))
    return QStringLiteral("n/a");
  // Three significant digits, written plainly: 31.4, 0.0512, 1250.
  const double magnitude = value == 0 ? 0 : std::floor(std::log10(std::abs(value)));
  const int decimals = int(std::max(0.0, 2 - magnitude));
  QString text = QLocale::c().toString(value, 'f', decimals);
  if (text.contains(QLatin1Char('.'))) {
    while (text.endsWith(QLatin1Char('0')))
      text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
      text.chop(1);
  }
  return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}
