// How the program ends, for a script: the one table of exit codes. --help lists them from
// here, and a test holds the manual page's EXIT STATUS to it.
#pragma once

#include <QtGlobal>

enum ExitCode : int {
  kRunPassed = 0,
  kRunFailed = 1,
  // A wrong command line or sequence file; nothing was sent.
  kRunBadInput = 2,
  // The port could not be opened or was lost.
  kRunPortTrouble = 3,
  // Ended by a request (the report written, the port closed): the terminal closed (129),
  // Ctrl+C (130), a request to terminate (143), as a Unix shell shows them.
  kRunHungUp = 129,
  kRunInterrupted = 130,
  kRunTerminated = 143,
};

struct ExitCodeMeaning {
  ExitCode code;
  // Translated in the context "ExitCode".
  const char *meaning;
};
inline constexpr ExitCodeMeaning kExitCodes[] = {
    {kRunPassed,
     QT_TRANSLATE_NOOP("ExitCode", "every step passed, on every device, and every report was "
                                   "written; or the window was closed, or an option that answers "
                                   "has answered")},
    {kRunFailed, QT_TRANSLATE_NOOP("ExitCode", "a step failed, or a report, the log or standard "
                                               "output could not take everything")},
    {kRunBadInput, QT_TRANSLATE_NOOP("ExitCode", "the command line or the sequence file is "
                                                 "wrong; nothing was sent")},
    {kRunPortTrouble, QT_TRANSLATE_NOOP("ExitCode", "the port could not be opened or was lost")},
    {kRunHungUp, QT_TRANSLATE_NOOP("ExitCode", "the terminal closed (SIGHUP)")},
    {kRunInterrupted, QT_TRANSLATE_NOOP("ExitCode", "Ctrl+C (SIGINT)")},
    {kRunTerminated, QT_TRANSLATE_NOOP("ExitCode", "asked to terminate (SIGTERM)")},
};
