// The command line: --com1/--com2 bind a port item for this run; --list-ports, --help and
// --version answer and end the program; --log records the line to a file; --run runs a test
// sequence without a window, on a rack of devices when --com1 names more than one;
// --station shows the operator's board for them. All of it but the board works without a
// display.
#pragma once

#include "Headless.h"
#include "YieldCommand.h"

#include <QCoreApplication>
#include <QHash>
#include <QString>
#include <QStringList>

struct CommandLine {
  Q_DECLARE_TR_FUNCTIONS(CommandLine)

public:
  // Set when the program should end at once: the code, and what goes to each stream.
  bool finished = false;
  int exitCode = 0;
  QString out;
  QString err;
  // The devices for COM 1 and COM 2; empty where none was given.
  QStringList devices{QString(), QString()};
  // Every device --com1 names, in order: more than one makes --run a rack.
  QStringList rack;
  // --set NAME@DEVICE=VALUE: values for one device of the rack, by its short name.
  QHash<QString, QHash<QString, QString>> perDevice;
  // A sequence for the operator's board (--station); empty for none.
  QString station;
  // The file every row of the line monitor is appended to; empty for none.
  QString logFile;
  // False with --no-reopen: a lost line just closes the port in this run.
  bool reopen = true;
  // --results: where runs are stored; empty for GLOW_PANEL_RESULTS or the default.
  QString results;
  // --history SERIAL: the unit whose runs to print; empty for none.
  QString history;
  bool resultsStatus = false;
  // --yield and what goes with it; none without --yield.
  std::optional<YieldCommand> yield;
  // A sequence to run without a window; its file is empty for none.
  RunOptions run;

  // The port session's options these name: the devices and the reopen rule.
  SessionOptions sessionOptions() const {
    SessionOptions options;
    options.devices = devices;
    options.reopen = reopen;
    return options;
  }
};

CommandLine ParseCommandLine(const QStringList &arguments);
