// What each step of a run does, and how an expect decides (SequenceRunner.h has the rules).
#include "SequenceRunner.h"

#include "SequenceReport.h"

#include <QCoreApplication>

bool SequenceRunner::requireOpen() {
  if (session_->isOpen())
    return true;
  finishStep(State::Failed, tr("the port is not open"));
  return false;
}

void SequenceRunner::runStep() {
  if (!running_)
    return;
  if (index_ >= steps_.size()) {
    endPass(passed_);
    return;
  }
  stepRunning_ = true;
  stepStartNs_ = clock_.nowNs();
  passes_.last().results[index_].state = State::Running;
  passes_.last().results[index_].startMs = WholeMs(stepStartNs_ - passStartNs_);
  session_->note(ResultLine(step(), passes_.last().results[index_]));
  emit stepStarted(index_);
  // The line went, or a stop came, between two steps.
  if (portTrouble_ || stopRequested_) {
    finishStep(State::Failed, stopRequested_ ? tr("stopped") : tr("line lost"));
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
    if (!requireOpen())
      return;
    // Bytes that came before the write are told before it, and so answer nothing after it.
    session_->poll();
    if (!stepRunning_)
      return;
    if (s.kind == SequenceStep::Send)
      session_->send(FillBytes(s, values_));
    else
      session_->press(*KindOf(s.kind).press);
    // A line lost or a backlog thrown away during the writes has already failed the step.
    finishStep(State::Passed);
    return;
  case SequenceStep::AsciiDemo:
    if (!requireOpen())
      return;
    sweepByte_ = kSweepFirst;
    sweeping_ = true;
    session_->beginPress(Press::AsciiDemo);
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
    passes_.last().device = now->device;
    passes_.last().settings = SettingsSummary(now->settings);
  }
  if (!kept) {
    if (session_->isOpen())
      session_->close();
    const OpenOutcome outcome = session_->open(wanted.item, wanted.baud);
    if (outcome.result != OpenOutcome::Opened) {
      portTrouble_ = true;
      finishStep(State::Failed, outcome.problem);
      return;
    }
    openedByRun_ = true;
  }
  // What waited on the line before the step ended answers nothing of this run.
  session_->poll();
  pending_.dropBefore(clock_.nowNs() + 1);
  wroteSinceLook_ = false;
  finishStep(State::Passed,
             kept ? tr("the port was open as the step says; kept as it is") : QString());
}

void SequenceRunner::startExpect() {
  const SequenceStep &s = step();
  replyFromNs_ = wroteSinceLook_ ? replyFromNs_ : stepStartNs_;
  deadlineNs_ =
      (s.kind == SequenceStep::ExpectNothing ? stepStartNs_ : replyFromNs_) + s.ms * kNsPerMs;
  expected_ = FillBytes(s, values_);
  if (s.kind == SequenceStep::ExpectMatch)
    pattern_ = QRegularExpression(FillText(s, values_));
  // Everything that arrived until now is told before the step decides.
  session_->poll();
  if (!stepRunning_)
    return;
  if (s.kind == SequenceStep::ExpectNothing) {
    if (!pending_.isEmpty()) {
      passes_.last().results[index_].arrived = pending_.bytes();
      finishStep(State::Failed, ArrivedText(pending_.bytes()));
      return;
    }
  } else {
    checkExpect();
    if (!stepRunning_)
      return;
  }
  timer_->startAt(deadlineNs_);
}

void SequenceRunner::checkExpect() {
  const SequenceStep &s = step();
  qsizetype end = -1;
  QRegularExpressionMatch match;
  if (s.kind == SequenceStep::ExpectMatch) {
    match = pattern_.match(pending_.text());
    // Past the engine's match limit (a pattern that backtracks without end) the match is
    // no verdict either way.
    if (!match.isValid()) {
      finishStep(State::Failed, tr("the pattern went past the engine's match limit on %1 bytes")
                                    .arg(pending_.bytes().size()));
      return;
    }
    if (match.hasMatch())
      end = pending_.bytesOf(match.capturedEnd(0));
  } else if (const qsizetype at = pending_.bytes().indexOf(expected_); at >= 0) {
    end = at + expected_.size();
  }
  if (end < 0) {
    if (clock_.nowNs() >= deadlineNs_)
      timeUp();
    return;
  }
  const qint64 arrival = pending_.arrivalOf(end);
  const qint64 replyMs = WholeMs(qMax<qint64>(0, arrival - replyFromNs_));
  if (arrival > deadlineNs_) {
    finishStep(State::Failed,
               tr("the reply came after %1 ms, not within %2 ms").arg(replyMs).arg(s.ms));
    return;
  }
  // The match consumes the bytes up to its end; what follows stays for the next step.
  pending_.consume(end);
  wroteSinceLook_ = false;
  if (s.kind == SequenceStep::ExpectMatch)
    for (const QString &name : pattern_.namedCaptureGroups())
      if (!name.isEmpty()) {
        values_[name] = match.captured(name);
        passes_.last().results[index_].values[name] = values_[name];
      }
  finishStep(State::Passed, {}, replyMs);
}

void SequenceRunner::timeUp() {
  if (std::exchange(settling_, false)) {
    beginPass();
    return;
  }
  if (!stepRunning_)
    return;
  const SequenceStep &s = step();
  switch (s.kind) {
  case SequenceStep::Expect:
  case SequenceStep::ExpectMatch:
    // Bytes that came by the deadline count, though the poll that reads them comes later.
    session_->poll();
    settleMs_ = s.ms;
    if (stepRunning_) {
      passes_.last().results[index_].arrived = pending_.bytes();
      finishStep(State::Failed,
                 tr("not received within %1 ms; %2").arg(s.ms).arg(ArrivedText(pending_.bytes())));
    }
    return;
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
  if (!stepRunning_)
    return;
  session_->WriteCom(QByteArray(1, char(sweepByte_)));
  if (!stepRunning_)
    return;
  if (sweepByte_++ >= kSweepLast) {
    finishStep(State::Passed);
    return;
  }
  // Timed from the end of the write: however long a write takes, no two bytes are closer
  // on the line than a step.
  timer_->startAt(replyFromNs_ + std::chrono::nanoseconds(kSweepStep).count());
}
