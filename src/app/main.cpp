// Start-up: the command line, the application, the one window, the event loop.
#include "CommandLine.h"
#include "Platform.h"
#include "Startup.h"
#include "Translations.h"
#include "Unit1.h"

#include <QApplication>

int main(int argc, char *argv[]) {
  // Answered before the window's application object exists: --help, --version and
  // --list-ports must work without a display. They speak the operator's language too.
  CommandLine command;
  {
    QCoreApplication console(argc, argv);
    InstallTranslations();
    command = ParseCommandLine(QCoreApplication::arguments());
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
    TrdCom form({}, command.devices);
    rdCom = &form;
    form.show();
    if (!command.logFile.isEmpty())
      form.recordLineTo(command.logFile);
    app.exec();
    rdCom = nullptr;
  });
}
