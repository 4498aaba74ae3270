// Start-up: the command line, the application, the one window, the event loop.
#include "CommandLine.h"
#include "Platform.h"
#include "Startup.h"
#include "Unit1.h"

#include <QApplication>

int main(int argc, char *argv[]) {
  // Answered before the application object exists: --help, --version and --list-ports
  // must work without a display.
  QStringList arguments;
  for (int i = 0; i < argc; ++i)
    arguments << QString::fromLocal8Bit(argv[i]);
  const CommandLine command = ParseCommandLine(arguments);
  if (command.finished) {
    PrintToConsole(ConsoleStream::Out, command.out);
    PrintToConsole(ConsoleStream::Err, command.err);
    return command.exitCode;
  }

  PrepareForLongRun();
  QApplication app(argc, argv);
  WarnIfNoBig5();
  return RunShowingEscapes([&app, &command] {
    TrdCom form({}, command.devices);
    rdCom = &form;
    form.show();
    app.exec();
    rdCom = nullptr;
  });
}
