// Runs a sequence's steps one after the other without blocking: the window and the port's
// reader keep running. Every step acts through the port session (the presses of the
// window's buttons, the same writes and reads) and hears the line through its signals, so
// the line monitor and the log show a run as they show presses. An expect matches the bytes
// as they came, not the text the receive box shows.
//
// Timing, on the session's clock:
// - a reply's time is the arrival of the chunk that completes the match, minus the end of
//   the last write (or, with no write since the last open or expect, the expect's start);
// - an expect looks only at bytes that arrived after the end of the last write and after
//   the previous expect's match; a match consumes the bytes up to its end;
// - `within T` bounds that reply time: a pass never shows more than T, and a failure comes
//   T after the point the reply is timed from;
// - a pattern's match that reaches the end of what has arrived, and could take more bytes
//   if more came, waits for them: it is taken as it stands once the line has been quiet
//   for the step's settle time, or at its limit; a match must take at least one byte;
// - an open step, and each new pass, start with nothing pending;
// - a backlog thrown away fails the step running then, naming its size;
// - after a pass that failed at an expect's limit, the next pass starts once the line has
//   been quiet for that limit: a late answer to the failed pass passes no later one.
#pragma once

#include "ReplyWatch.h"
#include "RunRecord.h"
#include "Sequence.h"
#include "Session.h"
#include "Sweep.h"

#include <QHash>
#include <QObject>

#include <functional>
#include <memory>

class SequenceRunner : public QObject {
  Q_OBJECT
public:
  using State = StepState;
  using Result = StepResult;
  using Pass = PassRecord;
  // Received bytes an expect still looks through are kept up to this many.
  static constexpr qsizetype kKeptReceived = 64 * 1024;

  explicit SequenceRunner(TSession *session, QObject *parent = nullptr);
  ~SequenceRunner() override;

  // The port item and speed an open step without them uses: the window's choice; COM 1 at
  // the default speed unless set.
  void setChoice(std::function<PortChoice()> choice) { choice_ = std::move(choice); }
  // Keeps only the last pass's results when false (a long repeat without a report).
  void setKeepPasses(bool keep) { keepPasses_ = keep; }
  // The variables set before the run (--set); an ask finds its answer here if it is.
  void setVariables(const QHash<QString, QString> &values) { preset_ = values; }
  // The answer to the question asking() put; none when the operator declined.
  void answer(const std::optional<QString> &value);
  // sequence: the file's name, and hash its text's with its includes (ParsedSequence), as
  // the record keeps them.
  void start(const QList<SequenceStep> &steps, int repeat, bool keepGoing,
             const QString &sequence = {}, const QByteArray &hash = {});
  // The running step fails as stopped, the rest are skipped, and the run ends, saying why.
  void stop(const QString &why = {});

  bool running() const { return running_; }
  const RunRecord &record() const { return record_; }
  const QList<SequenceStep> &steps() const { return record_.steps; }
  const QList<PassRecord> &passes() const { return record_.passes; }
  int passedSteps() const { return record_.passedSteps; }
  int failedSteps() const { return record_.failedSteps; }
  int failedPasses() const { return record_.failedPasses; }
  int passCount() const { return record_.passesRun; }
  // The port could not be opened or was lost.
  bool portTrouble() const { return record_.lost; }
  bool stopped() const { return record_.stopped; }

signals:
  void passStarted(int pass);
  void stepStarted(int index);
  void stepFinished(int index, const StepResult &result);
  // An ask wants the operator's answer (answer()); the port is read meanwhile.
  void asking(int index, const QString &variable, const QString &prompt);
  void passFinished(int pass);
  void finished();

private:
  void beginPass();
  void runStep();
  void finishStep(StepState state, const QString &message = {}, qint64 replyMs = -1,
                  Verdict cause = Verdict::Fail);
  void endPass();
  void endRun();
  void later(void (SequenceRunner::*call)());
  void onReceived(const RxChunk &chunk);
  void onWrote(const TxWrite &write);
  void onDiscarded(qint64 bytes);
  void onLost();
  void openStep();
  void startExpect();
  // Whether the expect has decided: passed, or failed on a late reply or the match limit.
  bool lookForReply();
  void checkValue();
  // The step's variables fit what it sends or looks for; else it fails, naming them.
  bool valuesFit();
  void timeUp();
  void sweepTick();
  bool requireOpen();
  const SequenceStep &step() const { return record_.steps[index_]; }
  StepResult &result() { return record_.passes.last().results[index_]; }

  TSession *session_;
  Clock &clock_;
  std::function<PortChoice()> choice_ = [] { return PortChoice(); };
  std::unique_ptr<ClockTimer> timer_;
  std::unique_ptr<ClockTimer> next_;
  void (SequenceRunner::*nextCall_)() = nullptr;
  RunRecord record_;
  bool keepGoing_ = false;
  bool keepPasses_ = true;
  bool running_ = false;
  bool stepRunning_ = false;
  int index_ = 0;
  bool openedByRun_ = false;
  std::unique_ptr<TSweep> sweep_;
  ReplyWatch watch_;
  QHash<QString, QString> preset_;
  QHash<QString, QString> values_;
  bool asking_ = false;
  // A reply is timed from here: the end of the last write, or the expect's start.
  qint64 replyFromNs_ = 0;
  bool wroteSinceLook_ = false;
  qint64 deadlineNs_ = 0;
  // A backlog thrown away while no step ran; the next step fails on it.
  qint64 discardedUnseen_ = 0;
  qint64 stepStartNs_ = 0;
  qint64 passStartNs_ = 0;
  // After a failed expect: how long the line must be quiet before the next pass, and
  // whether the run is waiting for that now.
  qint64 passQuietMs_ = 0;
  bool quieting_ = false;
};
