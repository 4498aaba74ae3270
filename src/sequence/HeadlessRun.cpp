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
  int interrupted = 0;
  OnInterrupt([&](int exitCode) {
    interrupted = exitCode;
    runner.stop();
  });
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
  QString error;
  if (!run.report.isEmpty() && !WriteJUnit(run.report, run.file, runner, &error))
    lost << error;
  session.close();
  if (!logFile.isEmpty() && lost.isEmpty() && !recorder.stopRecording())
    lost << recorder.logError();
  for (const QString &why : lost)
    PrintToConsole(ConsoleStream::Err, QStringLiteral("not written completely: %1\n").arg(why));
  if (!lost.isEmpty() && code == kRunPassed)
    code = kRunFailed;
  return code;
}
