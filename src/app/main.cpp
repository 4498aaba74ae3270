// Start-up: the command line, then either a headless run (no widget, no display, no
// platform plugin) or the application, the one window and the event loop.
#include "CommandLine.h"
#include "HeadlessRun.h"
#include "Platform.h"
#include "Startup.h"
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
    if (!command.finished && !command.run.file.isEmpty()) {
      PrepareForLongRun();
      SessionOptions options;
      options.devices = command.devices;
      options.reopen = command.reopen;
      // Nobody would see a message box: what escapes is told on the console.
      try {
        return RunHeadless(command.run, options, command.logFile);
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

  PrepareForLongRun();
  QApplication app(argc, argv);
  InstallTranslations();
  WarnIfNoBig5();
  return RunShowingEscapes([&app, &command] {
    SessionOptions options;
    options.devices = command.devices;
    options.reopen = command.reopen;
    TrdCom form(options);
    if (!command.logFile.isEmpty())
      form.recordLineTo(command.logFile);
    form.show();
    app.exec();
  });
}
