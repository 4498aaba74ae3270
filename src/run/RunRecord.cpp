#include "RunRecord.h"

#include <QCoreApplication>

namespace {
struct VerdictName {
  Verdict verdict;
  const char *word;
};
constexpr VerdictName kVerdicts[] = {
    {Verdict::Pass, "PASS"},
    {Verdict::Fail, "FAIL"},
    {Verdict::Stopped, "STOPPED"},
    {Verdict::Lost, "LOST"},
};

const StateText kStateTexts[] = {
    {StepState::Waiting, "WAIT", QT_TRANSLATE_NOOP("SequenceReport", "waiting")},
    {StepState::Running, "RUN ", QT_TRANSLATE_NOOP("SequenceReport", "running")},
    {StepState::Passed, "PASS", QT_TRANSLATE_NOOP("SequenceReport", "passed")},
    {StepState::Failed, "FAIL", QT_TRANSLATE_NOOP("SequenceReport", "FAILED")},
    {StepState::Skipped, "SKIP", QT_TRANSLATE_NOOP("SequenceReport", "skipped")},
};

// What the failures among these results come to: the unit's own first, then a lost
// line, then a stop.
std::optional<Verdict> Worst(const QList<StepResult> &results) {
  std::optional<Verdict> worst;
  for (const StepResult &r : results) {
    if (r.state != StepState::Failed)
      continue;
    if (r.cause == Verdict::Fail)
      return Verdict::Fail;
    if (!worst || r.cause == Verdict::Lost)
      worst = r.cause;
  }
  return worst;
}
} // namespace

Verdict PassRecord::verdict() const { return Worst(results).value_or(Verdict::Pass); }

Verdict RunRecord::verdict() const {
  if (unitFailed)
    return Verdict::Fail;
  if (lost)
    return Verdict::Lost;
  if (stopped || passesRun < passesAsked)
    return Verdict::Stopped;
  return Verdict::Pass;
}

QString VerdictWord(Verdict verdict) {
  for (const VerdictName &v : kVerdicts)
    if (v.verdict == verdict)
      return QLatin1String(v.word);
  return {};
}

std::optional<Verdict> VerdictOfWord(QStringView word) {
  for (const VerdictName &v : kVerdicts)
    if (word == QLatin1String(v.word))
      return v.verdict;
  return std::nullopt;
}

const StateText &TextOf(StepState state) {
  for (const StateText &t : kStateTexts)
    if (t.state == state)
      return t;
  return kStateTexts[0];
}

QString StepName(const SequenceStep &step) {
  return step.file.isEmpty() ? QStringLiteral("line %1").arg(step.line)
                             : QStringLiteral("%1:%2").arg(step.file).arg(step.line);
}

QString TimeText(const QDateTime &time) {
  return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QDateTime LocalNow() { return QDateTime::currentDateTime(); }
