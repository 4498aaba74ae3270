#include "SequenceRunner.h"

#include "ByteRows.h"
#include "ComPort.h"
#include "VfdCommands.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

namespace {
// What arrived, as the line monitor shows bytes; a long tail is cut.
QString Arrived(const QByteArray &bytes) {
  constexpr int kShown = 256;
  if (bytes.isEmpty())
    return QCoreApplication::translate("SequenceRunner", "nothing arrived");
  QString text =
      bytes.size() == 1
          ? QCoreApplication::translate("SequenceRunner", "1 byte arrived:")
          : QCoreApplication::translate("SequenceRunner", "%1 bytes arrived:").arg(bytes.size());
  if (bytes.size() > kShown)
    text += QLatin1Char(' ') +
            QCoreApplication::translate("SequenceRunner", "(the first %1 shown)").arg(kShown);
  for (const QString &line : ByteRows().lines(bytes.left(kShown)))
    text += QStringLiteral("\n  ") + line;
  return text;
}
} // namespace

SequenceRunner::SequenceRunner(SequencePanel *panel, QObject *parent)
    : QObject(parent), panel_(panel) {
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&TLineRecorder::instance(), &TLineRecorder::row, this, &SequenceRunner::onRow);
  connect(&timer_, &QTimer::timeout, this, [this] {
    if (!stepRunning_)
      return;
    const SequenceStep &step = steps_[index_];
    switch (step.kind) {
    case SequenceStep::Expect:
      finishStep(State::Failed,
                 QCoreApplication::translate("SequenceRunner", "not received within %1 ms; %2")
                     .arg(step.ms)
                     .arg(Arrived(received_)));
      break;
    case SequenceStep::AsciiDemo:
      sweepTick();
      break;
    default:
      finishStep(State::Passed);
    }
  });
}

void SequenceRunner::start(const QList<SequenceStep> &steps, int repeat, bool keepGoing) {
  steps_ = steps;
  repeat_ = qMax(1, repeat);
  keepGoing_ = keepGoing;
  passes_.clear();
  passNumber_ = passedSteps_ = failedSteps_ = failedPasses_ = 0;
  portTrouble_ = stopRequested_ = false;
  running_ = true;
  beginPass();
}

void SequenceRunner::stop() {
  if (!running_)
    return;
  stopRequested_ = true;
  if (stepRunning_)
    finishStep(State::Failed, QCoreApplication::translate("SequenceRunner", "stopped"));
}

void SequenceRunner::beginPass() {
  ++passNumber_;
  if (!keepPasses_)
    passes_.clear();
  Pass pass;
  pass.started = QDateTime::currentDateTime();
  pass.results.resize(steps_.size());
  passes_.append(pass);
  passClock_.start();
  index_ = 0;
  received_.clear();
  emit passStarted(passNumber_);
  QTimer::singleShot(0, this, &SequenceRunner::runStep);
}

bool SequenceRunner::requireOpen() {
  if (panel_->portOpen())
    return true;
  finishStep(State::Failed, QCoreApplication::translate("SequenceRunner", "the port is not open"));
  return false;
}

void SequenceRunner::runStep() {
  if (!running_)
    return;
  if (index_ >= steps_.size()) {
    endPass(true);
    return;
  }
  const SequenceStep &step = steps_[index_];
  stepRunning_ = true;
  stepClock_.start();
  passes_.last().results[index_].state = State::Running;
  emit stepStarted(index_);
  // The line went, or a stop came, between two steps.
  if (portTrouble_ || stopRequested_) {
    finishStep(State::Failed, stopRequested_
                                  ? QCoreApplication::translate("SequenceRunner", "stopped")
                                  : QCoreApplication::translate("SequenceRunner", "line lost"));
    return;
  }
  switch (step.kind) {
  case SequenceStep::Open: {
    if (panel_->portOpen()) {
      finishStep(State::Failed, QCoreApplication::translate(
                                    "SequenceRunner", "the port is already open; close it first"));
      return;
    }
    const QString problem = panel_->openPort(step.port, step.baud > 0 ? step.baud : defaultBaud_);
    if (!problem.isEmpty()) {
      portTrouble_ = true;
      finishStep(State::Failed, problem);
      return;
    }
    openedByRun_ = true;
    received_.clear();
    finishStep(State::Passed);
    return;
  }
  case SequenceStep::Close:
    panel_->press(step.kind);
    openedByRun_ = false;
    finishStep(State::Passed);
    return;
  case SequenceStep::InitialVfd:
  case SequenceStep::ClearVfd:
  case SequenceStep::Eend:
  case SequenceStep::Send:
    if (!requireOpen())
      return;
    received_.clear();
    if (step.kind == SequenceStep::Send)
      panel_->send(step.bytes);
    else
      panel_->press(step.kind);
    // A line lost during the writes has already failed the step.
    if (stepRunning_)
      finishStep(State::Passed);
    return;
  case SequenceStep::AsciiDemo:
    if (!requireOpen())
      return;
    received_.clear();
    sweepByte_ = kSweepFirst;
    sweepPress_.emplace(panel_->buttonText(step.kind), StepText(step));
    sweepTick();
    return;
  case SequenceStep::Expect:
    timer_.start(int(step.ms));
    checkExpect(lastReplyMs_);
    return;
  case SequenceStep::ExpectNothing:
    received_.clear();
    timer_.start(int(step.ms));
    return;
  case SequenceStep::Wait:
    timer_.start(int(step.ms));
    return;
  }
}

void SequenceRunner::sweepTick() {
  if (!panel_->portOpen()) {
    finishStep(State::Failed,
               QCoreApplication::translate("SequenceRunner", "the port is not open"));
    return;
  }
  // Timed from the write, as the button's sweep is.
  const QDeadlineTimer next(std::chrono::milliseconds(100), Qt::PreciseTimer);
  panel_->sweepStep(sweepByte_);
  if (!stepRunning_)
    return;
  if (sweepByte_++ >= kSweepLast) {
    finishStep(State::Passed);
    return;
  }
  timer_.start(int(qMax<qint64>(0, next.remainingTime())));
}

void SequenceRunner::checkExpect(qint64 replyMs) {
  const SequenceStep &step = steps_[index_];
  const qsizetype at = received_.indexOf(step.bytes);
  if (at < 0)
    return;
  received_.remove(0, at + step.bytes.size());
  finishStep(State::Passed, {}, replyMs);
}

void SequenceRunner::onRow(const LineRow &row) {
  if (!running_)
    return;
  const bool expecting = stepRunning_ && (steps_[index_].kind == SequenceStep::Expect ||
                                          steps_[index_].kind == SequenceStep::ExpectNothing);
  switch (row.kind) {
  case LineRow::Received:
    lastReplyMs_ = row.replyMs;
    received_ += row.bytes;
    if (received_.size() > kKeptReceived)
      received_.remove(0, received_.size() - kKeptReceived / 2);
    if (!expecting)
      return;
    if (steps_[index_].kind == SequenceStep::Expect)
      checkExpect(row.replyMs);
    else
      finishStep(State::Failed, Arrived(received_));
    return;
  case LineRow::Discarded:
    if (expecting)
      finishStep(State::Failed,
                 QCoreApplication::translate(
                     "SequenceRunner", "%1 bytes discarded: more than %2 bytes waited at once")
                     .arg(row.discardedBytes)
                     .arg(TComPort::kOverflowLimit));
    return;
  case LineRow::Lost:
    portTrouble_ = true;
    openedByRun_ = false;
    if (stepRunning_)
      finishStep(State::Failed, QCoreApplication::translate("SequenceRunner", "line lost"));
    return;
  case LineRow::Sent:
    lastReplyMs_ = -1;
    return;
  default:
    return;
  }
}

void SequenceRunner::finishStep(State state, const QString &message, qint64 replyMs) {
  if (!stepRunning_)
    return;
  stepRunning_ = false;
  timer_.stop();
  sweepPress_.reset();
  Result &result = passes_.last().results[index_];
  result.state = state;
  result.ms = stepClock_.elapsed();
  result.replyMs = replyMs;
  result.message = message;
  if (state == State::Passed)
    ++passedSteps_;
  else
    ++failedSteps_;
  emit stepFinished(index_, result);
  if (state != State::Passed) {
    for (int i = index_ + 1; i < steps_.size(); ++i) {
      passes_.last().results[i].state = State::Skipped;
      emit stepFinished(i, passes_.last().results[i]);
    }
    // Not from inside the poll that brought the news: the port must outlive that poll.
    QTimer::singleShot(0, this, [this] { endPass(false); });
    return;
  }
  ++index_;
  QTimer::singleShot(0, this, &SequenceRunner::runStep);
}

void SequenceRunner::endPass(bool passed) {
  if (openedByRun_ && panel_->portOpen())
    panel_->press(SequenceStep::Close);
  openedByRun_ = false;
  passes_.last().ms = passClock_.elapsed();
  if (!passed)
    ++failedPasses_;
  const bool more =
      passNumber_ < repeat_ && (passed || keepGoing_) && !portTrouble_ && !stopRequested_;
  if (more) {
    beginPass();
    return;
  }
  running_ = false;
  emit finished();
}
