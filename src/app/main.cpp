// Start-up: the command line, the application, the one window, the event loop.
#include "CommandLine.h"
#include "HeadlessRun.h"
#include "LineRecorder.h"
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
  // A sequence runs the window's own handlers with the window never shown: no display is
  // needed for that.
  if (!command.run.file.isEmpty() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  InstallTranslations();
  const bool headless = !command.run.file.isEmpty();
  if (!headless)
    WarnIfNoBig5();
  int code = 0;
  RunShowingEscapes([&app, &command, &code, headless] {
    TrdCom form({}, command.devices);
    rdCom = &form;
    form.setReopenForRun(command.reopen);
    if (!command.logFile.isEmpty())
      form.recordLineTo(command.logFile);
    if (headless) {
      if (!command.logFile.isEmpty() && !TLineRecorder::instance().recording())
        PrintToConsole(ConsoleStream::Err,
                       TLineRecorder::instance().logError() + QLatin1Char('\n'));
      code = RunHeadless(&form, command.run);
    } else {
      form.show();
      app.exec();
    }
    rdCom = nullptr;
  });
  return code;
}
