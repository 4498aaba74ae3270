// A sequence run without a window: the port session, the line journal and the runner, and no
// widget. A line per step on the console, the summary last, the reports asked for, and an
// exit code a script can act on (ExitCode.h).
#pragma once

#include "ExitCode.h"
#include "PortSession.h"
#include "Sequence.h"

#include <QHash>
#include <QString>
#include <QStringList>

// What a run without a window is asked to do.
struct RunOptions {
  QString file;
  int repeat = 1;
  bool keepGoing = false;
  // Each report's form follows its suffix (Reports.h).
  QStringList reports;
  // --set: the variables set before the run.
  QHash<QString, QString> variables;
  // Started by a rack: a byte on standard input stops the run as a signal would, and the
  // rack, not each device, delivers to a results server.
  bool rackMember = false;
  // Where the run is stored (ResultsTarget.h): empty for GLOW_PANEL_RESULTS or the default.
  QString results;
};

// Why the run cannot start, or empty: a wrong file, or a question no one is there to answer.
QString StartProblem(const RunOptions &run, const ParsedSequence &parsed);

// Runs the file in the running event loop and gives the exit code; every row of the line
// goes to logFile too, unless it is empty.
int RunHeadless(const RunOptions &run, SessionOptions options, const QString &logFile);
