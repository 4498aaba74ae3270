// A sequence run without a window: the port session, the recorder and the runner, and no
// widget. A line per step on the console, the summary last, a JUnit report if asked, and
// an exit code a script can act on.
#pragma once

#include "PortSession.h"
#include "Sequence.h"

#include <QHash>
#include <QString>
#include <QStringList>

struct HeadlessRun {
  QString file;
  int repeat = 1;
  bool keepGoing = false;
  // Each report's form follows its suffix (SequenceReport.h).
  QStringList reports;
  // --set: the variables set before the run.
  QHash<QString, QString> variables;
  // Started by a rack: a byte on standard input stops the run as a signal would.
  bool rackMember = false;
};

// How the program ends, for a script.
enum ExitCode : int {
  kRunPassed = 0,
  kRunFailed = 1,
  // A wrong command line or sequence file; nothing was sent.
  kRunBadInput = 2,
  // The port could not be opened or was lost.
  kRunPortTrouble = 3,
  // Ended by a request (the report written, the port closed): the terminal closed (129),
  // Ctrl+C (130), a request to terminate (143).
  kRunHungUp = 129,
  kRunInterrupted = 130,
  kRunTerminated = 143,
};

// Why the run cannot start, or empty: a wrong file, or a question no one is there to answer.
QString StartProblem(const HeadlessRun &run, const ParsedSequence &parsed);

// Runs the file in the running event loop and gives the exit code; every row of the line
// goes to logFile too, unless it is empty.
int RunHeadless(const HeadlessRun &run, SessionOptions options, const QString &logFile);
