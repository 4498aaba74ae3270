// Start-up: the command line, then either a headless run (no widget, no display, no
// platform plugin), or the application with the one window, or the operator's board alone.
#include "CommandLine.h"
#include "Headless.h"
#include "Platform.h"
#include "Rack.h"
#include "YieldCommand.h"
#include "ResultsCommands.h"
#include "Startup.h"
#include "StationBoard.h"
#include "Translations.h"
#include "Unit1.h"

#include <QApplication>

#include <exception>

int main(int argc, char *argv[]) {
  // Answered before the window's application object exists: --help, --version, --list-ports
  // and --run must work without a display. They speak the operator's language too.
  CommandLine command;
  {
    QCoreApplication console(argc, argv);
    InstallTranslations();
    command = ParseCommandLine(QCoreApplication::arguments());
    if (!command.finished && command.yield)
      return ShowYield(*command.yield);
    if (!command.finished && command.resultsStatus)
      return ShowResultsStatus(command.results);
    if (!command.finished && !command.history.isEmpty())
      return ShowHistory(command.results, command.history);
    if (!command.finished && !command.run.file.isEmpty()) {
      PrepareForLongRun();
      // Nobody would see a message box: what escapes is told on the console.
      try {
        if (command.rack.size() > 1)
          return RunRack({command.run, command.rack, command.devices[1], command.logFile,
                          command.reopen, command.perDevice});
        return RunHeadless(command.run, command.sessionOptions(), command.logFile);
      } catch (const std::exception &e) {
        PrintToConsole(ConsoleStream::Err, QString::fromLocal8Bit(e.what()) + QLatin1Char('\n'));
      } catch (...) {
        PrintToConsole(ConsoleStream::Err, QStringLiteral("an unexpected error ended the run\n"));
      }
      return kRunFailed;
    }
  }
  if (command.finished) {
    PrintToConsole(ConsoleStream::Out, command.out);
    PrintToConsole(ConsoleStream::Err, command.err);
    return command.exitCode;
  }
  // A wrong file for the board is said where it was named, before any window.
  ParsedSequence station;
  if (!command.station.isEmpty()) {
    station = ReadSequenceFile(command.station, command.run.variables.keys());
    if (station.failed) {
      PrintToConsole(ConsoleStream::Err, DescribeError(command.station, station.error) + '\n');
      return kRunBadInput;
    }
  }

  PrepareForLongRun();
  QApplication app(argc, argv);
  InstallTranslations();
  WarnIfNoBig5();
  return RunShowingEscapes([&app, &command, &station] {
    const SessionOptions options = command.sessionOptions();
    if (!command.station.isEmpty()) {
      TStationBoard board(options, command.logFile);
      board.keeper()->use(command.results);
      board.setVariables(command.run.variables, command.perDevice);
      board.setDevices(command.rack);
      board.setSequence(station.steps, command.station);
      board.show();
      app.exec();
      return;
    }
    TrdCom form(options);
    form.useResults(command.results);
    if (command.rack.size() > 1)
      form.setStationDevices(command.rack);
    if (!command.logFile.isEmpty())
      form.recordLineTo(command.logFile);
    form.show();
    app.exec();
  });
}
