#include "SequenceRunner.h"

#include "Big5.h"
#include "Presses.h"
#include "RunText.h"
#include "Tool.h"
#include "ValueCheck.h"

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
                           const QString &sequence, const QByteArray &hash) {
  record_ = RunRecord();
  record_.id = QUuid::createUuid();
  record_.sequence = sequence;
  record_.sequenceHash = hash;
  record_.host = HostName();
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
  watch_.pending().dropBefore(passStartNs_ + 1);
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
  result().values = {{s.variable, values_.value(s.variable)}};
  const QString why = CheckProblem(s, values_);
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
  PendingBytes &pending = watch_.pending();
  pending.add(chunk.bytes, chunk.arrivalNs, chunk.later);
  if (quieting_)
    timer_->startAt(clock_.nowNs() + passQuietMs_ * kNsPerMs);
  pending.keepAtMost(kKeptReceived);
  if (!stepRunning_)
    return;
  if (step().kind == SequenceStep::Expect || step().kind == SequenceStep::ExpectMatch) {
    lookForReply();
  } else if (step().kind == SequenceStep::ExpectNothing) {
    result().arrived = pending.bytes();
    finishStep(State::Failed, ArrivedText(pending.bytes()));
  }
}

void SequenceRunner::onWrote(const TxWrite &write) {
  if (!running_)
    return;
  // Bytes that arrived before a write answer no expect after it.
  watch_.pending().dropBefore(write.endNs);
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
  sweep_.reset();
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

bool SequenceRunner::requireOpen() {
  if (session_->isOpen())
    return true;
  finishStep(State::Failed, tr("the port is not open"));
  return false;
}

void SequenceRunner::runStep() {
  if (!running_)
    return;
  if (index_ >= record_.steps.size()) {
    endPass();
    return;
  }
  stepRunning_ = true;
  stepStartNs_ = clock_.nowNs();
  result().state = State::Running;
  result().startMs = WholeMs(stepStartNs_ - passStartNs_);
  session_->note(ResultLine(step(), result()));
  emit stepStarted(index_);
  // The line went, or a stop came, between two steps.
  if (record_.stopped) {
    finishStep(State::Failed, tr("stopped"), -1, Verdict::Stopped);
    return;
  }
  if (record_.lost) {
    finishStep(State::Failed, tr("line lost"), -1, Verdict::Lost);
    return;
  }
  if (discardedUnseen_ > 0) {
    onDiscarded(std::exchange(discardedUnseen_, 0));
    return;
  }
  const SequenceStep &s = step();
  switch (s.kind) {
  case SequenceStep::Open:
    openStep();
    return;
  case SequenceStep::Close:
    session_->close();
    openedByRun_ = false;
    finishStep(State::Passed);
    return;
  case SequenceStep::InitialVfd:
  case SequenceStep::ClearVfd:
  case SequenceStep::Eend:
  case SequenceStep::Send:
    if (!requireOpen() || !valuesFit())
      return;
    // Bytes that came before the write are told before it, and so answer nothing after it.
    session_->poll();
    if (!stepRunning_)
      return;
    if (s.kind == SequenceStep::Send)
      SendBytes(*session_, FillBytes(s, values_));
    else
      PressFixed(*session_, *KindOf(s.kind).press);
    // A line lost or a backlog thrown away during the writes has already failed the step.
    finishStep(State::Passed);
    return;
  case SequenceStep::AsciiDemo:
    if (!requireOpen())
      return;
    sweep_ = std::make_unique<TSweep>(session_);
    sweep_->startSweep();
    sweepTick();
    return;
  case SequenceStep::Expect:
  case SequenceStep::ExpectNothing:
  case SequenceStep::ExpectMatch:
    startExpect();
    return;
  case SequenceStep::Check:
    checkValue();
    return;
  case SequenceStep::Ask:
    asking_ = true;
    if (preset_.contains(s.variable))
      answer(preset_.value(s.variable));
    else
      emit asking(index_, s.variable, FillText(s, values_));
    return;
  case SequenceStep::Wait:
    timer_->startAt(stepStartNs_ + s.ms * kNsPerMs);
    return;
  }
}

void SequenceRunner::openStep() {
  const SequenceStep &s = step();
  const PortChoice chosen = choice_();
  const PortChoice wanted{s.port >= 0 ? s.port : chosen.item, s.baud > 0 ? s.baud : chosen.baud};
  // A port the operator opened as the step would is kept as it is (and left open at the end);
  // one open otherwise is opened again as the step says.
  const std::optional<OpenLine> now = session_->openLine();
  const bool kept = now && now->choice.item == wanted.item && now->choice.baud == wanted.baud;
  if (kept) {
    record_.passes.last().device = now->device;
    record_.passes.last().settings = SettingsSummary(now->settings);
  }
  if (!kept) {
    if (session_->isOpen())
      session_->close();
    const OpenOutcome outcome = session_->open(wanted.item, wanted.baud);
    if (outcome.result != OpenOutcome::Opened) {
      record_.lost = true;
      record_.reason = outcome.problem;
      finishStep(State::Failed, outcome.problem, -1, Verdict::Lost);
      return;
    }
    openedByRun_ = true;
  }
  // What waited on the line before the step ended answers nothing of this run.
  session_->poll();
  watch_.pending().dropBefore(clock_.nowNs() + 1);
  wroteSinceLook_ = false;
  finishStep(State::Passed,
             kept ? tr("the port was open as the step says; kept as it is") : QString());
}

void SequenceRunner::startExpect() {
  const SequenceStep &s = step();
  replyFromNs_ = wroteSinceLook_ ? replyFromNs_ : stepStartNs_;
  if (s.kind == SequenceStep::ExpectNothing) {
    deadlineNs_ = stepStartNs_ + s.ms * kNsPerMs;
  } else {
    if (!valuesFit())
      return;
    watch_.expect(s, FillBytes(s, values_),
                  s.kind == SequenceStep::ExpectMatch ? FillText(s, values_) : QString(),
                  replyFromNs_);
    deadlineNs_ = watch_.deadlineNs();
  }
  // Everything that arrived until now is told before the step decides.
  session_->poll();
  if (!stepRunning_)
    return;
  const QByteArray &pending = watch_.pending().bytes();
  if (s.kind == SequenceStep::ExpectNothing && !pending.isEmpty()) {
    result().arrived = pending;
    finishStep(State::Failed, ArrivedText(pending));
    return;
  }
  if (s.kind != SequenceStep::ExpectNothing && lookForReply())
    return;
  if (!timer_->isActive())
    timer_->startAt(deadlineNs_);
}

bool SequenceRunner::lookForReply() {
  const ReplyWatch::Decision decision = watch_.decide(clock_.nowNs());
  switch (decision.kind) {
  case ReplyWatch::Decision::Waiting:
    if (decision.wakeNs >= 0)
      timer_->startAt(decision.wakeNs);
    return false;
  case ReplyWatch::Decision::Limit:
    finishStep(State::Failed, tr("the pattern went past the engine's match limit on %1 bytes")
                                  .arg(watch_.pending().bytes().size()));
    return true;
  case ReplyWatch::Decision::Late:
    finishStep(
        State::Failed,
        tr("the reply came after %1 ms, not within %2 ms").arg(decision.replyMs).arg(step().ms));
    return true;
  case ReplyWatch::Decision::Passed:
    wroteSinceLook_ = false;
    for (auto it = decision.captures.cbegin(); it != decision.captures.cend(); ++it) {
      values_[it.key()] = it.value();
      result().values[it.key()] = it.value();
    }
    finishStep(State::Passed, {}, decision.replyMs);
    return true;
  }
  return false;
}

void SequenceRunner::timeUp() {
  if (std::exchange(quieting_, false)) {
    beginPass();
    return;
  }
  if (!stepRunning_)
    return;
  const SequenceStep &s = step();
  switch (s.kind) {
  case SequenceStep::Expect:
  case SequenceStep::ExpectMatch: {
    // Bytes that came by now count, though the poll that reads them comes later.
    session_->poll();
    if (!stepRunning_ || lookForReply())
      return;
    // A pattern's settle time passed with no match: the limit still stands.
    if (clock_.nowNs() < deadlineNs_) {
      if (!timer_->isActive())
        timer_->startAt(deadlineNs_);
      return;
    }
    passQuietMs_ = s.ms;
    const QByteArray &pending = watch_.pending().bytes();
    result().arrived = pending;
    finishStep(State::Failed,
               tr("not received within %1 ms; %2").arg(s.ms).arg(ArrivedText(pending)));
    return;
  }
  case SequenceStep::AsciiDemo:
    sweepTick();
    return;
  default:
    finishStep(State::Passed);
  }
}

void SequenceRunner::sweepTick() {
  if (!requireOpen())
    return;
  session_->poll();
  // A failed write has failed the step already: the line was lost or held back.
  if (!stepRunning_ || !sweep_->writeNextByte() || !stepRunning_)
    return;
  if (sweep_->done())
    finishStep(State::Passed);
  else
    timer_->startAt(sweep_->nextNs());
}
