#include "HeadlessRun.h"

#include "Platform.h"
#include "SequenceReport.h"
#include "SequenceRunner.h"

#include <QEventLoop>

int RunHeadless(const HeadlessRun &run, SessionOptions options, const QString &logFile) {
  const ParsedSequence parsed = ReadSequenceFile(run.file);
  if (parsed.failed) {
    PrintToConsole(ConsoleStream::Err, DescribeError(run.file, parsed.error) + QLatin1Char('\n'));
    return kRunBadInput;
  }

  TLineRecorder recorder;
  if (!logFile.isEmpty() && !recorder.recordTo(logFile))
    PrintToConsole(ConsoleStream::Err, recorder.logError() + QLatin1Char('\n'));
  TPortSession session(&recorder, std::move(options));
  SequenceRunner runner(&session);
  // Without a report only the pass in progress is kept, so a long repeat stays flat.
  runner.setKeepPasses(!run.report.isEmpty());
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
  bool interrupted = false;
  OnInterrupt([&] {
    interrupted = true;
    runner.stop();
  });
  runner.start(parsed.steps, run.repeat, run.keepGoing);
  if (runner.running())
    loop.exec();
  OnInterrupt({});
  PrintToConsole(ConsoleStream::Out, Summary(runner) + QLatin1Char('\n'));
  int code = kRunPassed;
  if (interrupted)
    code = kRunInterrupted;
  else if (runner.portTrouble())
    code = kRunPortTrouble;
  else if (runner.failedSteps() > 0)
    code = kRunFailed;
  if (!run.report.isEmpty()) {
    QString error;
    if (!WriteJUnit(run.report, run.file, runner, &error)) {
      PrintToConsole(ConsoleStream::Err, error + QLatin1Char('\n'));
      if (code == kRunPassed)
        code = kRunFailed;
    }
  }
  return code;
}
