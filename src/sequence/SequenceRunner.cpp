#include "SequenceRunner.h"

#include "SequenceReport.h"

#include <QCoreApplication>
#include <QLocale>

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
            passes_.last().device = device;
            passes_.last().settings = SettingsSummary(settings);
          });
}

SequenceRunner::~SequenceRunner() = default;

void SequenceRunner::start(const QList<SequenceStep> &steps, int repeat, bool keepGoing) {
  steps_ = steps;
  repeat_ = qMax(1, repeat);
  keepGoing_ = keepGoing;
  passes_.clear();
  passNumber_ = passedSteps_ = failedSteps_ = failedPasses_ = 0;
  portTrouble_ = stopRequested_ = false;
  running_ = true;
  session_->setPrompt(true);
  beginPass();
}

void SequenceRunner::stop() {
  if (!running_)
    return;
  stopRequested_ = true;
  if (std::exchange(settling_, false)) {
    timer_->stop();
    running_ = false;
    session_->setPrompt(false);
    emit finished();
    return;
  }
  if (stepRunning_)
    finishStep(State::Failed, tr("stopped"));
}

void SequenceRunner::later(void (SequenceRunner::*call)()) {
  // Never from inside the poll or write that brought the news: the port outlives them.
  nextCall_ = call;
  next_->startAt(clock_.nowNs());
}

void SequenceRunner::beginPass() {
  ++passNumber_;
  if (!keepPasses_)
    passes_.clear();
  Pass pass;
  pass.started = QDateTime::currentDateTime();
  pass.results.resize(steps_.size());
  passes_.append(pass);
  index_ = 0;
  passed_ = true;
  settleMs_ = 0;
  values_ = preset_;
  // What arrived before this pass, or was thrown away, belongs to no step of it.
  session_->poll();
  passStartNs_ = clock_.nowNs();
  pending_.dropBefore(passStartNs_ + 1);
  wroteSinceLook_ = false;
  discardedUnseen_ = 0;
  emit passStarted(passNumber_);
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
  passes_.last().results[index_].values = {{s.variable, *value}};
  finishStep(State::Passed);
}

void SequenceRunner::checkValue() {
  const SequenceStep &s = step();
  const QString value = values_.value(s.variable);
  const QString shown = QStringLiteral("%1 = %2").arg(s.variable, value);
  passes_.last().results[index_].values = {{s.variable, value}};
  QString why;
  if (s.test == SequenceStep::Between) {
    bool number = false;
    const double v = QLocale::c().toDouble(value.trimmed(), &number);
    if (!number)
      why = tr("%1: not a number").arg(shown);
    else if (v < s.low || v > s.high)
      why = tr("%1, not between %2 and %3")
                .arg(shown, NumberText(s.low), NumberText(s.high));
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

void SequenceRunner::onReceived(const RxChunk &chunk) {
  if (!running_)
    return;
  pending_.add(chunk.bytes, chunk.arrivalNs, chunk.later);
  if (settling_)
    timer_->startAt(clock_.nowNs() + settleMs_ * kNsPerMs);
  pending_.keepAtMost(kKeptReceived);
  if (!stepRunning_)
    return;
  if (step().kind == SequenceStep::Expect || step().kind == SequenceStep::ExpectMatch) {
    checkExpect();
  } else if (step().kind == SequenceStep::ExpectNothing) {
    passes_.last().results[index_].arrived = pending_.bytes();
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
  portTrouble_ = true;
  openedByRun_ = false;
  if (stepRunning_)
    finishStep(State::Failed, tr("line lost"));
}

void SequenceRunner::finishStep(State state, const QString &message, qint64 replyMs) {
  if (!stepRunning_)
    return;
  stepRunning_ = false;
  asking_ = false;
  timer_->stop();
  if (std::exchange(sweeping_, false))
    session_->endPress();
  Result &result = passes_.last().results[index_];
  result.state = state;
  result.ms = WholeMs(clock_.nowNs() - stepStartNs_);
  result.replyMs = replyMs;
  result.message = message;
  if (state == State::Passed)
    ++passedSteps_;
  else
    ++failedSteps_;
  session_->note(ResultLine(step(), result).section(QLatin1Char('\n'), 0, 0) +
                 (message.isEmpty() || state == State::Passed
                      ? QString()
                      : QStringLiteral(": ") + message.section(QLatin1Char('\n'), 0, 0)));
  emit stepFinished(index_, result);
  if (state != State::Passed) {
    passed_ = false;
    const QString why = tr("after the failure at line %1").arg(step().line);
    for (int i = index_ + 1; i < steps_.size(); ++i) {
      Result &skipped = passes_.last().results[i];
      skipped.state = State::Skipped;
      skipped.message = why;
      emit stepFinished(i, passes_.last().results[i]);
    }
    index_ = int(steps_.size());
  } else {
    ++index_;
  }
  later(&SequenceRunner::runStep);
}

void SequenceRunner::endPass(bool passed) {
  if (openedByRun_ && session_->isOpen())
    session_->close();
  openedByRun_ = false;
  passes_.last().ms = WholeMs(clock_.nowNs() - passStartNs_);
  passes_.last().variables = values_;
  emit passFinished(passNumber_);
  if (!passed)
    ++failedPasses_;
  const bool more =
      passNumber_ < repeat_ && (passed || keepGoing_) && !portTrouble_ && !stopRequested_;
  if (more && settleMs_ > 0) {
    settling_ = true;
    timer_->startAt(clock_.nowNs() + settleMs_ * kNsPerMs);
    return;
  }
  if (more) {
    beginPass();
    return;
  }
  running_ = false;
  session_->setPrompt(false);
  emit finished();
}
