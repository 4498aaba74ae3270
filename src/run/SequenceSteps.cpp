// What each step of a run does, and how an expect decides (SequenceRunner.h has the rules).
#include "SequenceRunner.h"

#include "RunText.h"

#include <QCoreApplication>

namespace {
// The first match that takes at least one character. While more may arrive, a match the
// engine could extend with more text (its partial match, which reaches the end) is none yet:
// waits is then set.
struct Found {
  QRegularExpressionMatch match;
  bool waits = false;
  // The engine's match limit was hit: no verdict either way.
  bool limit = false;
};

Found FirstMatch(const QRegularExpression &pattern, const QString &text, bool moreMayCome) {
  const auto type =
      moreMayCome ? QRegularExpression::PartialPreferFirstMatch : QRegularExpression::NormalMatch;
  for (qsizetype from = 0; from <= text.size();) {
    const QRegularExpressionMatch match = pattern.match(text, from, type);
    if (!match.isValid())
      return {{}, false, true};
    if (match.hasPartialMatch())
      return {{}, true, false};
    if (!match.hasMatch())
      break;
    if (match.capturedLength(0) > 0)
      return {match, false, false};
    // An empty match answers nothing: look on from the next character.
    from = match.capturedStart(0) + 1;
    if (from < text.size() && text[from].isLowSurrogate())
      ++from;
  }
  return {};
}
} // namespace

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
  if (s.kind != SequenceStep::ExpectNothing && !valuesFit())
    return;
  expected_ = FillBytes(s, values_);
  if (s.kind == SequenceStep::ExpectMatch)
    pattern_ = QRegularExpression(FillText(s, values_));
  // Everything that arrived until now is told before the step decides.
  session_->poll();
  if (!stepRunning_)
    return;
  if (s.kind == SequenceStep::ExpectNothing) {
    if (!pending_.isEmpty()) {
      result().arrived = pending_.bytes();
      finishStep(State::Failed, ArrivedText(pending_.bytes()));
      return;
    }
  } else if (checkExpect()) {
    return;
  }
  if (!timer_->isActive())
    timer_->startAt(deadlineNs_);
}

bool SequenceRunner::checkExpect() {
  const SequenceStep &s = step();
  const qint64 now = clock_.nowNs();
  qsizetype end = -1;
  QRegularExpressionMatch match;
  if (s.kind == SequenceStep::ExpectMatch) {
    // More may come until the limit, unless the line has been quiet for the settle time.
    const qint64 quietAt =
        (pending_.isEmpty() ? replyFromNs_ : pending_.lastArrivalNs()) + s.settleMs * kNsPerMs;
    const Found found = FirstMatch(pattern_, pending_.text(), now < deadlineNs_ && now < quietAt);
    // Past the engine's match limit (a pattern that backtracks without end) the match is
    // no verdict either way.
    if (found.limit) {
      finishStep(State::Failed, tr("the pattern went past the engine's match limit on %1 bytes")
                                    .arg(pending_.bytes().size()));
      return true;
    }
    if (found.waits)
      timer_->startAt(qMin(quietAt, deadlineNs_));
    match = found.match;
    if (match.hasMatch())
      end = pending_.bytesOf(match.capturedEnd(0));
  } else if (const qsizetype at = pending_.bytes().indexOf(expected_); at >= 0) {
    end = at + expected_.size();
  }
  if (end < 0)
    return false;
  const qint64 arrival = pending_.arrivalOf(end);
  const qint64 replyMs = WholeMs(qMax<qint64>(0, arrival - replyFromNs_));
  if (arrival > deadlineNs_) {
    finishStep(State::Failed,
               tr("the reply came after %1 ms, not within %2 ms").arg(replyMs).arg(s.ms));
    return true;
  }
  // The match consumes the bytes up to its end; what follows stays for the next step.
  pending_.consume(end);
  wroteSinceLook_ = false;
  if (s.kind == SequenceStep::ExpectMatch)
    for (const QString &name : pattern_.namedCaptureGroups())
      if (!name.isEmpty()) {
        values_[name] = match.captured(name);
        result().values[name] = values_[name];
      }
  finishStep(State::Passed, {}, replyMs);
  return true;
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
  case SequenceStep::ExpectMatch:
    // Bytes that came by now count, though the poll that reads them comes later.
    session_->poll();
    if (!stepRunning_ || checkExpect())
      return;
    // A pattern's settle time passed with no match: the limit still stands.
    if (clock_.nowNs() < deadlineNs_) {
      if (!timer_->isActive())
        timer_->startAt(deadlineNs_);
      return;
    }
    passQuietMs_ = s.ms;
    result().arrived = pending_.bytes();
    finishStep(State::Failed,
               tr("not received within %1 ms; %2").arg(s.ms).arg(ArrivedText(pending_.bytes())));
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
