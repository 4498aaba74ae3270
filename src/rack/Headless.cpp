#include "Headless.h"

#include "Delivery.h"
#include "JsonReport.h"
#include "ResultStore.h"
#include "Platform.h"
#include "Reports.h"
#include "RunText.h"
#include "SequenceRunner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSet>

namespace {
// A value set before the run that a step would send or expect as nothing, or as '?'. A
// name a pattern sets again on the way is the pattern's from there on.
QString PresetProblem(const RunOptions &run, const ParsedSequence &parsed) {
  QSet<QString> preset(run.variables.keyBegin(), run.variables.keyEnd());
  for (const SequenceStep &step : parsed.steps) {
    const bool sendsOrExpects = step.kind == SequenceStep::Send ||
                                step.kind == SequenceStep::Expect ||
                                step.kind == SequenceStep::ExpectMatch;
    for (const QString &name : step.usedNames())
      if (sendsOrExpects && preset.contains(name))
        if (const QString why = ValueProblem(name, run.variables.value(name)); !why.isEmpty())
          return DescribeError(run.file,
                               {step.line, 1, QStringLiteral("--set %1").arg(why), step.file});
    if (step.kind == SequenceStep::ExpectMatch)
      for (const QString &group : QRegularExpression(step.text).namedCaptureGroups())
        preset.remove(group);
  }
  return {};
}

// How long a run's end waits for the server to take what waits for it; the rest goes with
// the next run.
constexpr qint64 kDeliveryBudgetMs = 5000;

// Records that still wait for the server are said, with why; nothing is lost meanwhile.
void TellWaiting(const DeliveryOutcome &outcome, const ResultsTarget &target) {
  if (outcome.waiting > 0)
    PrintToConsole(ConsoleStream::Err,
                   QCoreApplication::translate("HeadlessRun",
                                               "%n record(s) wait for %1: %2\n", nullptr,
                                               outcome.waiting)
                       .arg(target.name(), outcome.problem));
}

// Why a run was asked to end, by the exit code that says it.
QString StopReason(int exitCode) {
  switch (exitCode) {
  case kRunHungUp:
    return QCoreApplication::translate("HeadlessRun", "stopped: the terminal closed");
  case kRunInterrupted:
    return QCoreApplication::translate("HeadlessRun", "stopped: Ctrl+C");
  default:
    return QCoreApplication::translate("HeadlessRun", "stopped: asked to terminate");
  }
}
} // namespace

QString StartProblem(const RunOptions &run, const ParsedSequence &parsed) {
  if (parsed.failed)
    return DescribeError(run.file, parsed.error);
  for (const SequenceStep &step : parsed.steps)
    if (step.kind == SequenceStep::Ask && !run.variables.contains(step.variable))
      return DescribeError(run.file,
                           {step.line, 1,
                            QCoreApplication::translate("HeadlessRun", "without a window, ask %1 "
                                                                       "needs --set %1=VALUE")
                                .arg(step.variable),
                            step.file});
  return PresetProblem(run, parsed);
}

int RunHeadless(const RunOptions &run, SessionOptions options, const QString &logFile) {
  const ParsedSequence parsed = ReadSequenceFile(run.file, run.variables.keys());
  if (const QString problem = StartProblem(run, parsed); !problem.isEmpty()) {
    PrintToConsole(ConsoleStream::Err, problem + QLatin1Char('\n'));
    return kRunBadInput;
  }

  QString problem;
  const std::optional<ResultsTarget> target = ParseResultsTarget(ResultsWhere(run.results), &problem);
  ResultStore store;
  if (!target || !store.open(*target)) {
    PrintToConsole(ConsoleStream::Err, (target ? store.problem() : problem) + QLatin1Char('\n'));
    return kRunBadInput;
  }

  // A run whose record is lost is no pass: the reason is told at once, and again last.
  TLineJournal journal;
  QStringList lost;
  auto recordLost = [&lost](const QString &why) {
    lost << why;
    PrintToConsole(ConsoleStream::Err, QStringLiteral("NOT RECORDING: %1\n").arg(why));
  };
  QStringList notStoredWhy;
  auto notStored = [&notStoredWhy](const QString &why) {
    if (notStoredWhy.contains(why))
      return;
    notStoredWhy << why;
    PrintToConsole(ConsoleStream::Err, QStringLiteral("NOT STORED: %1\n").arg(why));
  };
  QObject::connect(&journal, &TLineJournal::logFailed, &journal,
                   [&] { recordLost(journal.logError()); });
  if (!logFile.isEmpty() && !journal.recordTo(logFile))
    recordLost(journal.logError());
  TPortSession session(&journal, std::move(options));
  SequenceRunner runner(&session);
  runner.setVariables(run.variables);
  // A line a pass is appended as the pass ends; the other forms need every pass kept, and
  // without them only the pass in progress is, so a long repeat stays flat.
  QStringList lines, whole;
  for (const QString &path : run.reports)
    (FormOf(path) == ReportForm::JsonLines ? lines : whole) << path;
  QObject::connect(&runner, &SequenceRunner::passFinished, &runner, [&] {
    for (const QString &path : lines)
      if (QString error; !AppendLastPass(path, runner.record(), &error) && !lost.contains(error))
        recordLost(error);
    // Every pass that ends is kept, whatever becomes of the run.
    if (!store.storePass(runner.record(), int(runner.passes().size()) - 1))
      notStored(store.problem());
  });
  runner.setKeepPasses(!whole.isEmpty());
  QEventLoop loop;
  QObject::connect(&runner, &SequenceRunner::passStarted, &runner, [&run](int pass) {
    if (run.repeat > 1)
      PrintToConsole(ConsoleStream::Out,
                     QStringLiteral("# pass %1 of %2\n").arg(pass).arg(run.repeat));
  });
  QObject::connect(&runner, &SequenceRunner::stepFinished, &runner,
                   [&runner](int index, const StepResult &result) {
                     PrintToConsole(ConsoleStream::Out,
                                    ResultLine(runner.steps()[index], result) + QLatin1Char('\n'));
                   });
  QObject::connect(&runner, &SequenceRunner::finished, &loop, &QEventLoop::quit);
  int interrupted = 0;
  OnInterrupt([&](int exitCode) {
    interrupted = exitCode;
    runner.stop(StopReason(exitCode));
  });
  if (run.rackMember)
    InterruptOnInput();
  runner.start(parsed.steps, run.repeat, run.keepGoing, run.file, parsed.hash);
  if (runner.running())
    loop.exec();
  OnInterrupt({});
  const RunRecord &record = runner.record();
  // Stored before the summary says how the run did: a run that could not be kept is no pass.
  if (!store.storeRun(record))
    notStored(store.problem());
  PrintToConsole(ConsoleStream::Out, Summary(record) + QLatin1Char('\n'));
  int code = kRunPassed;
  if (interrupted)
    code = interrupted;
  else if (record.lost)
    code = kRunPortTrouble;
  else if (record.failedSteps > 0)
    code = kRunFailed;
  for (const QString &path : lines)
    if (QString error; EndNeedsLine(record) && !AppendRecordLine(path, EndLine(record), &error))
      lost << error;
  for (const QString &path : whole)
    if (QString error; !WriteReport(path, record, &error))
      lost << error;
  session.close();
  if (!logFile.isEmpty() && journal.recording() && !journal.stopRecording())
    lost << journal.logError();
  if (const QString console = ConsoleProblem(); !console.isEmpty())
    lost << console;
  if (!run.rackMember)
    TellWaiting(DeliverWaiting(*target, kDeliveryBudgetMs), *target);
  for (const QString &why : lost)
    PrintToConsole(ConsoleStream::Err, QStringLiteral("not written completely: %1\n").arg(why));
  for (const QString &why : notStoredWhy)
    PrintToConsole(ConsoleStream::Err, QStringLiteral("not stored: %1\n").arg(why));
  if ((!lost.isEmpty() || !notStoredWhy.isEmpty()) && code == kRunPassed)
    code = kRunFailed;
  return code;
}
