#include "StoreFiller.h"

#include "ResultStore.h"

#include <QUuid>

#include <cmath>
#include <random>

namespace {
// A unit in twelve fails its first run; most of those are tested again at once.
constexpr int kRetestEvery = 12;

SequenceStep Step(SequenceStep::Kind kind, int line, const QString &source) {
  SequenceStep step;
  step.kind = kind;
  step.line = line;
  step.source = source;
  return step;
}

QList<SequenceStep> Steps() {
  QList<SequenceStep> steps{Step(SequenceStep::Open, 1, "open COM1 38400"),
                            Step(SequenceStep::Ask, 2, "ask serial \"SN\"")};
  for (int k = 0; k < 8; ++k) {
    steps << Step(SequenceStep::Send, 3 + 2 * k, QStringLiteral("send \"Q%1\\r\"").arg(k))
          << Step(SequenceStep::ExpectMatch, 4 + 2 * k,
                  QStringLiteral("expect match \"R%1=(?<r%1>[0-9.]+)\" within 200 ms").arg(k));
  }
  SequenceStep temp = Step(SequenceStep::Check, 19, "check temp between 20 and 40");
  temp.variable = "temp";
  temp.low = 20;
  temp.high = 40;
  SequenceStep volt = Step(SequenceStep::Check, 20, "check volt between 4.75 and 5.25");
  volt.variable = "volt";
  volt.low = 4.75;
  volt.high = 5.25;
  return steps << temp << volt;
}
} // namespace

QString UnitSerial(int index) {
  // Runs of a unit that failed stand next to each other: a failing run's unit is the next
  // run's too.
  const int unit = index - (index + 1) / kRetestEvery;
  return QStringLiteral("GP%1").arg(unit, 6, 10, QLatin1Char('0'));
}

RunRecord SyntheticRun(int index, int seed, const QDateTime &started) {
  static const QList<SequenceStep> steps = Steps();
  std::mt19937 random(std::uint32_t(seed) * 2654435761u);
  std::normal_distribution<double> temp(31, 2.6), volt(5.0, 0.06);
  std::uniform_int_distribution<int> reply(3, 30);
  // The run before a retest fails; a few others fail at a reply or a limit.
  const bool retested = index % kRetestEvery == kRetestEvery - 2;
  // Half of them at the temperature, a third at the voltage, the rest at a reply.
  const int cause = (index / kRetestEvery) % 6;
  const int failAt = !retested ? -1 : cause < 3 ? 18 : cause < 5 ? 19 : 9;
  RunRecord record;
  record.id = QUuid::createUuid();
  record.sequence = "unit.seq";
  record.sequenceHash = "5ca1ab1e";
  record.host = QStringLiteral("bench-%1").arg(index % 3 + 1);
  record.steps = steps;
  record.started = started;
  record.passesRun = 1;
  PassRecord pass;
  pass.number = 1;
  pass.started = started;
  pass.device = QStringLiteral("/dev/ttyUSB%1").arg(index % 8);
  pass.settings = "38400,8,N,1";
  const QString serial = UnitSerial(index);
  pass.variables = {{"serial", serial}};
  qint64 at = 0;
  for (int i = 0; i < steps.size(); ++i) {
    StepResult r;
    r.startMs = at;
    const SequenceStep &step = steps[i];
    if (failAt >= 0 && i > failAt) {
      r.state = StepState::Skipped;
      r.message = QStringLiteral("after the failure at line %1").arg(steps[failAt].line);
      pass.results << r;
      continue;
    }
    r.state = StepState::Passed;
    r.ms = 1;
    if (step.kind == SequenceStep::Ask)
      r.values = {{"serial", serial}};
    if (step.kind == SequenceStep::ExpectMatch) {
      r.replyMs = reply(random);
      r.ms = r.replyMs;
      if (i == failAt) {
        r.state = StepState::Failed;
        r.replyMs = -1;
        r.ms = 200;
        r.message = "not received within 200 ms; nothing arrived";
      }
    }
    if (step.kind == SequenceStep::Check) {
      double v = step.variable == "temp" ? temp(random) : volt(random);
      if (i == failAt)
        v = step.variable == "temp" ? 40.2 + std::abs(temp(random) - 31) / 2
                                    : 5.26 + std::abs(volt(random) - 5.0) / 2;
      const QString text = QString::number(v, 'f', step.variable == "temp" ? 1 : 3);
      r.values = {{step.variable, text}};
      pass.variables.insert(step.variable, text);
      if (v < step.low || v > step.high) {
        r.state = StepState::Failed;
        r.message = QStringLiteral("%1 = %2, not between %3 and %4")
                        .arg(step.variable, text, NumberText(step.low), NumberText(step.high));
      }
    }
    at += r.ms;
    pass.results << r;
  }
  pass.ms = at;
  for (const StepResult &r : pass.results) {
    record.passedSteps += r.state == StepState::Passed;
    record.failedSteps += r.state == StepState::Failed;
  }
  record.unitFailed = record.failedSteps > 0;
  record.failedPasses = record.failedSteps > 0;
  record.ended = started.addMSecs(at);
  record.passes = {pass};
  return record;
}

void FillStore(const QString &file, int runs, const QDateTime &since, const QString &target) {
  QString problem;
  ResultsTarget where = *ParseResultsTarget(target, &problem);
  where.file = file;
  ResultStore store;
  store.open(where);
  const qint64 span = since.msecsTo(QDateTime::currentDateTime());
  constexpr int kBatch = 1000;
  for (int first = 0; first < runs; first += kBatch) {
    QList<RunRecord> batch;
    for (int i = first; i < qMin(runs, first + kBatch); ++i)
      batch << SyntheticRun(i, i, since.addMSecs(span * i / runs));
    store.storeRuns(batch);
  }
}
