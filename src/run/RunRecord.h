// One run of a sequence as it happened: the steps as written, each pass with each step's
// state, times, reply and values, and how the run ended. The runner fills it as it goes;
// the console, the reports, the window and the board read it and nothing else. The verdict
// is decided here, once, from what the record holds.
#pragma once

#include "Sequence.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QUuid>

#include <optional>

// What a run, a pass or a step that ended came to. A failure is the unit's; a stop (Ctrl+C,
// the operator, a killed process) and a lost line are no verdict on the unit.
enum class Verdict { Pass, Fail, Stopped, Lost };

enum class StepState { Waiting, Running, Passed, Failed, Skipped };

struct StepResult {
  StepState state = StepState::Waiting;
  // A step that failed: why it ended, the unit's failure or none of its doing.
  Verdict cause = Verdict::Fail;
  qint64 ms = 0;
  // An expect's reply time; -1 when none.
  qint64 replyMs = -1;
  QString message;
  // A check's value, an ask's answer, a pattern's captures: by the variable's name.
  QMap<QString, QString> values;
  // When the step started, from the start of its pass.
  qint64 startMs = 0;
  // A failed expect: what had arrived.
  QByteArray arrived;

  bool failedUnit() const { return state == StepState::Failed && cause == Verdict::Fail; }
};

struct PassRecord {
  // Counted from 1 through the run.
  int number = 0;
  QDateTime started;
  qint64 ms = 0;
  QList<StepResult> results;
  // The device and settings of the pass's last open.
  QString device;
  QString settings;
  // The variables at the end of the pass: those set before the run, asked or captured.
  QHash<QString, QString> variables;

  Verdict verdict() const;
};

struct RunRecord {
  // Every run's own: the same in every report and store it reaches, so that one stored
  // twice is one run.
  QUuid id;
  // The sequence file as named, the hash of its text with its includes, and its steps as
  // written.
  QString sequence;
  QByteArray sequenceHash;
  QList<SequenceStep> steps;
  // The station it ran on.
  QString host;
  QDateTime started;
  QDateTime ended;
  int passesAsked = 1;
  // Passes begun.
  int passesRun = 0;
  // Every pass, or only the last when a long repeat keeps no more.
  QList<PassRecord> passes;
  int passedSteps = 0;
  int failedSteps = 0;
  int failedPasses = 0;
  // Why the run ended before its course did (a stop, a lost line, a process that died);
  // empty when it ran its course.
  QString reason;
  // It ended so because the port could not be opened or was lost, or it was stopped.
  bool lost = false;
  bool stopped = false;
  // A step failed by the unit's doing, in any pass.
  bool unitFailed = false;

  // A failure of the unit in any pass fails the run; else a lost line, a stop, or passes
  // not run say that nothing was decided; else it passed.
  Verdict verdict() const;
  bool finished() const { return !ended.isNull(); }
};

// "PASS", "FAIL", "STOPPED", "LOST": as every console, report and board writes them, in
// every language.
QString VerdictWord(Verdict verdict);
std::optional<Verdict> VerdictOfWord(QStringView word);

// A step's state as the console and reports write it ("PASS"), and as the window names it
// (translated in the context "SequenceReport").
struct StateText {
  StepState state;
  const char *word;
  const char *name;
};
const StateText &TextOf(StepState state);

// "line 7" for a step of the file itself, "common.seq:7" for one of an included file.
QString StepName(const SequenceStep &step);

// The time of day with its offset from UTC ("2026-12-08T16:20:01.412+08:00").
QString TimeText(const QDateTime &time);
// Now, in local time with its offset from UTC.
QDateTime LocalNow();
