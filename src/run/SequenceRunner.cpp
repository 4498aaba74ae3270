#include "SequenceRunner.h"

#include "Big5.h"
#include "RunText.h"

#include <QCoreApplication>
#include <QLocale>

#include <cmath>

SequenceRunner::SequenceRunner(TSession *session, QObject *parent)
    : QObject(parent), session_(session), clock_(session->clock()) {
  timer_ = clock_.makeTimer([this] { timeUp(); });
  next_ = clock_.makeTimer([this] {
    if (nextCall_)
      (this->*std::exchange(nextCall_, nullptr))();
  });
  connect(session_, &TSession::received, this, &SequenceRunner::onReceived);
  connect(session_, &TSession::wrote, this, &SequenceRunner::onWrote);
  connect(session_, &TSession::discarded, this, &SequenceRunner::onDiscarded);
  connect(session_, &TSession::lineLost, this, &SequenceRunner::onLost);
  connect(session_, &TSession::opened, this,
          [this](const LineSettings &settings, const QString &device) {
            if (!running_)
              return;
            record_.passes.last().device = device;
            record_.passes.last().settings = SettingsSummary(settings);
          });
}

SequenceRunner::~SequenceRunner() = default;

void SequenceRunner::start(const QList<SequenceStep> &steps, int repeat, bool keepGoing,
                           const QString &sequence) {
  record_ = RunRecord();
  record_.sequence = sequence;
  record_.steps = steps;
  record_.passesAsked = qMax(1, repeat);
  record_.started = LocalNow();
  keepGoing_ = keepGoing;
  running_ = true;
  session_->setPrompt(true);
  beginPass();
}

void SequenceRunner::stop(const QString &why) {
  if (!running_ || record_.stopped)
    return;
  record_.stopped = true;
  record_.reason = why.isEmpty() ? tr("stopped") : why;
  if (std::exchange(quieting_, false)) {
    timer_->stop();
    endRun();
    return;
  }
  if (stepRunning_)
    finishStep(State::Failed, tr("stopped"), -1, Verdict::Stopped);
}

void SequenceRunner::later(void (SequenceRunner::*call)()) {
  // Never from inside the poll or write that brought the news: the port outlives them.
  nextCall_ = call;
  next_->startAt(clock_.nowNs());
}

void SequenceRunner::beginPass() {
  ++record_.passesRun;
  if (!keepPasses_)
    record_.passes.clear();
  PassRecord pass;
  pass.number = record_.passesRun;
  pass.started = LocalNow();
  pass.results.resize(record_.steps.size());
  record_.passes.append(pass);
  index_ = 0;
  passQuietMs_ = 0;
  values_ = preset_;
  // What arrived before this pass, or was thrown away, belongs to no step of it.
  session_->poll();
  passStartNs_ = clock_.nowNs();
  pending_.dropBefore(passStartNs_ + 1);
  wroteSinceLook_ = false;
  discardedUnseen_ = 0;
  emit passStarted(record_.passesRun);
  later(&SequenceRunner::runStep);
}

void SequenceRunner::answer(const std::optional<QString> &value) {
  if (!std::exchange(asking_, false) || !stepRunning_)
    return;
  const SequenceStep &s = step();
  if (!value) {
    finishStep(State::Failed, tr("no answer"));
    return;
  }
  values_[s.variable] = *value;
  result().values = {{s.variable, *value}};
  finishStep(State::Passed);
}

void SequenceRunner::checkValue() {
  const SequenceStep &s = step();
  const QString value = values_.value(s.variable);
  const QString shown = QStringLiteral("%1 = %2").arg(s.variable, value);
  result().values = {{s.variable, value}};
  QString why;
  if (s.test == SequenceStep::Between) {
    bool number = false;
    const double v = QLocale::c().toDouble(value.trimmed(), &number);
    // NaN compares false with everything, so it would fall within any limits.
    if (!number || std::isnan(v))
      why = tr("%1: not a number").arg(shown);
    else if (!std::isfinite(v))
      why = tr("%1: not finite").arg(shown);
    else if (v < s.low || v > s.high)
      why = tr("%1, not between %2 and %3").arg(shown, NumberText(s.low), NumberText(s.high));
  } else if (s.test == SequenceStep::Is) {
    if (value != FillText(s, values_))
      why = tr("%1, not \"%2\"").arg(shown, FillText(s, values_));
  } else {
    const QRegularExpressionMatch match = QRegularExpression(FillText(s, values_)).match(value);
    if (!match.isValid())
      why = tr("the pattern went past the engine's match limit");
    else if (!match.hasMatch())
      why = tr("%1, does not match \"%2\"").arg(shown, FillText(s, values_));
  }
  finishStep(why.isEmpty() ? State::Passed : State::Failed, why);
}

bool SequenceRunner::valuesFit() {
  for (const QString &name : step().usedNames())
    if (const QString why = ValueProblem(name, values_.value(name)); !why.isEmpty()) {
      finishStep(State::Failed, why);
      return false;
    }
  return true;
}

void SequenceRunner::onReceived(const RxChunk &chunk) {
  if (!running_)
    return;
  pending_.add(chunk.bytes, chunk.arrivalNs, chunk.later);
  if (quieting_)
    timer_->startAt(clock_.nowNs() + passQuietMs_ * kNsPerMs);
  pending_.keepAtMost(kKeptReceived);
  if (!stepRunning_)
    return;
  if (step().kind == SequenceStep::Expect || step().kind == SequenceStep::ExpectMatch) {
    checkExpect();
  } else if (step().kind == SequenceStep::ExpectNothing) {
    result().arrived = pending_.bytes();
    finishStep(State::Failed, ArrivedText(pending_.bytes()));
  }
}

void SequenceRunner::onWrote(const TxWrite &write) {
  if (!running_)
    return;
  // Bytes that arrived before a write answer no expect after it.
  pending_.dropBefore(write.endNs);
  replyFromNs_ = write.endNs;
  wroteSinceLook_ = true;
  if (write.heldBack && stepRunning_)
    finishStep(State::Failed,
               tr("%1 of %2 bytes not sent: the device held the line back (flow control)")
                   .arg(write.bytes.size() - write.went)
                   .arg(write.bytes.size()));
}

void SequenceRunner::onDiscarded(qint64 bytes) {
  if (!running_)
    return;
  if (!stepRunning_) {
    discardedUnseen_ += bytes;
    return;
  }
  finishStep(State::Failed, tr("%1 bytes discarded: more than %2 bytes waited at once")
                                .arg(bytes)
                                .arg(TComPort::kOverflowLimit));
}

void SequenceRunner::onLost() {
  if (!running_)
    return;
  record_.lost = true;
  if (record_.reason.isEmpty())
    record_.reason = tr("line lost");
  openedByRun_ = false;
  if (stepRunning_)
    finishStep(State::Failed, tr("line lost"), -1, Verdict::Lost);
}

void SequenceRunner::finishStep(State state, const QString &message, qint64 replyMs,
                                Verdict cause) {
  if (!stepRunning_)
    return;
  stepRunning_ = false;
  asking_ = false;
  timer_->stop();
  if (std::exchange(sweeping_, false))
    session_->endPress();
  StepResult &r = result();
  r.state = state;
  r.cause = cause;
  r.ms = WholeMs(clock_.nowNs() - stepStartNs_);
  r.replyMs = replyMs;
  r.message = message;
  if (state == State::Passed) {
    ++record_.passedSteps;
  } else {
    ++record_.failedSteps;
    record_.unitFailed = record_.unitFailed || cause == Verdict::Fail;
  }
  session_->note(ResultLine(step(), r).section(QLatin1Char('\n'), 0, 0) +
                 (message.isEmpty() || state == State::Passed
                      ? QString()
                      : QStringLiteral(": ") + message.section(QLatin1Char('\n'), 0, 0)));
  emit stepFinished(index_, r);
  if (state != State::Passed) {
    const QString why = tr("after the failure at %1").arg(StepName(step()));
    for (int i = index_ + 1; i < record_.steps.size(); ++i) {
      StepResult &skipped = record_.passes.last().results[i];
      skipped.state = State::Skipped;
      skipped.message = why;
      emit stepFinished(i, skipped);
    }
    index_ = int(record_.steps.size());
  } else {
    ++index_;
  }
  later(&SequenceRunner::runStep);
}

void SequenceRunner::endPass() {
  if (openedByRun_ && session_->isOpen())
    session_->close();
  openedByRun_ = false;
  PassRecord &pass = record_.passes.last();
  pass.ms = WholeMs(clock_.nowNs() - passStartNs_);
  pass.variables = values_;
  const bool passed = pass.verdict() == Verdict::Pass;
  if (!passed)
    ++record_.failedPasses;
  emit passFinished(record_.passesRun);
  const bool more = record_.passesRun < record_.passesAsked && (passed || keepGoing_) &&
                    !record_.lost && !record_.stopped;
  if (more && passQuietMs_ > 0) {
    quieting_ = true;
    timer_->startAt(clock_.nowNs() + passQuietMs_ * kNsPerMs);
    return;
  }
  if (more) {
    beginPass();
    return;
  }
  endRun();
}

void SequenceRunner::endRun() {
  record_.ended = LocalNow();
  running_ = false;
  session_->setPrompt(false);
  emit finished();
}
