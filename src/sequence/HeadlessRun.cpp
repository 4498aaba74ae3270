#include "HeadlessRun.h"

#include "Platform.h"
#include "RunRecord.h"
#include "SequenceReport.h"
#include "SequenceRunner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>

QString StartProblem(const HeadlessRun &run, const ParsedSequence &parsed) {
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
  return {};
}

int RunHeadless(const HeadlessRun &run, SessionOptions options, const QString &logFile) {
  const ParsedSequence parsed = ReadSequenceFile(run.file, run.variables.keys());
  if (const QString problem = StartProblem(run, parsed); !problem.isEmpty()) {
    PrintToConsole(ConsoleStream::Err, problem + QLatin1Char('\n'));
    return kRunBadInput;
  }

  // A run whose record is lost is no pass: the reason is told at once, and again last.
  TLineRecorder recorder;
  QStringList lost;
  auto recordLost = [&lost](const QString &why) {
    lost << why;
    PrintToConsole(ConsoleStream::Err, QStringLiteral("NOT RECORDING: %1\n").arg(why));
  };
  QObject::connect(&recorder, &TLineRecorder::logFailed, &recorder,
                   [&] { recordLost(recorder.logError()); });
  if (!logFile.isEmpty() && !recorder.recordTo(logFile))
    recordLost(recorder.logError());
  TPortSession session(&recorder, std::move(options));
  SequenceRunner runner(&session);
  runner.setVariables(run.variables);
  // A line a pass is appended as the pass ends; the other forms need every pass kept, and
  // without them only the pass in progress is, so a long repeat stays flat.
  const RunHeader header{run.file, QDateTime::currentDateTime()};
  QStringList whole;
  for (const QString &path : run.reports)
    if (QFileInfo(path).suffix().toLower() == QLatin1String("jsonl"))
      QObject::connect(&runner, &SequenceRunner::passFinished, &runner, [&, path] {
        QString error;
        if (!AppendPassRecord(path, header, runner, &error) && !lost.contains(error))
          recordLost(error);
      });
    else
      whole << path;
  runner.setKeepPasses(!whole.isEmpty());
  QEventLoop loop;
  QObject::connect(&runner, &SequenceRunner::passStarted, &runner, [&run](int pass) {
    if (run.repeat > 1)
      PrintToConsole(ConsoleStream::Out,
                     QStringLiteral("# pass %1 of %2\n").arg(pass).arg(run.repeat));
  });
  QObject::connect(&runner, &SequenceRunner::stepFinished, &runner,
                   [&runner](int index, const SequenceRunner::Result &result) {
                     PrintToConsole(ConsoleStream::Out,
                                    ResultLine(runner.steps()[index], result) + QLatin1Char('\n'));
                   });
  QObject::connect(&runner, &SequenceRunner::finished, &loop, &QEventLoop::quit);
  int interrupted = 0;
  OnInterrupt([&](int exitCode) {
    interrupted = exitCode;
    runner.stop();
  });
  if (run.rackMember)
    InterruptOnInput();
  runner.start(parsed.steps, run.repeat, run.keepGoing);
  if (runner.running())
    loop.exec();
  OnInterrupt({});
  PrintToConsole(ConsoleStream::Out, Summary(runner) + QLatin1Char('\n'));
  int code = kRunPassed;
  if (interrupted)
    code = interrupted;
  else if (runner.portTrouble())
    code = kRunPortTrouble;
  else if (runner.failedSteps() > 0)
    code = kRunFailed;
  for (const QString &path : whole)
    if (QString error; !WriteReport(path, header, runner, &error))
      lost << error;
  session.close();
  if (!logFile.isEmpty() && recorder.recording() && !recorder.stopRecording())
    lost << recorder.logError();
  for (const QString &why : lost)
    PrintToConsole(ConsoleStream::Err, QStringLiteral("not written completely: %1\n").arg(why));
  if (!lost.isEmpty() && code == kRunPassed)
    code = kRunFailed;
  return code;
}
