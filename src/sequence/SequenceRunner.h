// Runs a sequence's steps one after the other on the GUI thread, without blocking it: the
// window and the poller keep running. Every step acts through the panel (the window's own
// handlers, so WriteCom and ReadCom) and hears the line through the recorder's rows, so the
// line monitor and the log show a run exactly as they show presses. An expect matches the
// bytes as they came, not the text the receive box shows.
#pragma once

#include "LineRecorder.h"
#include "Sequence.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <optional>

// What a run presses.
class SequencePanel {
public:
  virtual ~SequencePanel() = default;
  // Opens port item 0 or 1 (-1: the one chosen) at a speed (0: the one chosen), with the
  // status texts of the open button; the reason when it fails, else empty.
  virtual QString openPort(int item, qint32 baud) = 0;
  virtual bool portOpen() const = 0;
  // Close, Initial VFD, Clear VFD and eEND as their buttons do them.
  virtual void press(SequenceStep::Kind kind) = 0;
  // One write of these bytes, recorded as SEND.
  virtual void send(const QByteArray &bytes) = 0;
  // One byte of the sweep, with its label; the run keeps the pace.
  virtual void sweepStep(int byte) = 0;
  virtual QString buttonText(SequenceStep::Kind kind) const = 0;
};

class SequenceRunner : public QObject {
  Q_OBJECT
public:
  enum class State { Waiting, Running, Passed, Failed, Skipped };
  struct Result {
    State state = State::Waiting;
    qint64 ms = 0;
    // An expect's reply time, counted from the end of the last write; -1 when none.
    qint64 replyMs = -1;
    QString message;
  };
  struct Pass {
    QDateTime started;
    qint64 ms = 0;
    QList<Result> results;
  };
  // Received bytes an expect still looks through are kept up to this many.
  static constexpr qsizetype kKeptReceived = 64 * 1024;

  explicit SequenceRunner(SequencePanel *panel, QObject *parent = nullptr);

  // An open without a speed uses this one; 0 keeps the window's choice.
  void setDefaultBaud(qint32 baud) { defaultBaud_ = baud; }
  // Keeps only the last pass's results when false (a long repeat without a report).
  void setKeepPasses(bool keep) { keepPasses_ = keep; }
  void start(const QList<SequenceStep> &steps, int repeat, bool keepGoing);
  // The running step fails as stopped, the rest are skipped, and the run ends.
  void stop();

  bool running() const { return running_; }
  const QList<SequenceStep> &steps() const { return steps_; }
  const QList<Pass> &passes() const { return passes_; }
  int passedSteps() const { return passedSteps_; }
  int failedSteps() const { return failedSteps_; }
  int failedPasses() const { return failedPasses_; }
  int passCount() const { return passNumber_; }
  // The port could not be opened or was lost.
  bool portTrouble() const { return portTrouble_; }
  bool stopped() const { return stopRequested_; }

signals:
  void passStarted(int pass);
  void stepStarted(int index);
  void stepFinished(int index, const SequenceRunner::Result &result);
  void finished();

private:
  void beginPass();
  void runStep();
  void finishStep(State state, const QString &message = {}, qint64 replyMs = -1);
  void endPass(bool passed);
  void onRow(const LineRow &row);
  void checkExpect(qint64 replyMs);
  void sweepTick();
  bool requireOpen();
  void wrote();

  SequencePanel *panel_;
  QList<SequenceStep> steps_;
  QList<Pass> passes_;
  int repeat_ = 1;
  bool keepGoing_ = false;
  bool keepPasses_ = true;
  qint32 defaultBaud_ = 0;
  bool running_ = false;
  bool stepRunning_ = false;
  int passNumber_ = 0;
  int index_ = 0;
  int passedSteps_ = 0;
  int failedSteps_ = 0;
  int failedPasses_ = 0;
  bool portTrouble_ = false;
  bool stopRequested_ = false;
  bool openedByRun_ = false;
  QByteArray received_;
  qint64 lastReplyMs_ = -1;
  QElapsedTimer stepClock_;
  QElapsedTimer passClock_;
  QTimer timer_;
  int sweepByte_ = 0;
  std::optional<TLineRecorder::Press> sweepPress_;
};
