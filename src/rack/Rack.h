// One sequence on a rack of ports at once. Each device gets a process of its own (this
// program, headless, with COM 1 on that device), so a fault in one cannot stop the others.
// Every line they print is headed by the device's short name, each ends with its own
// summary, and one line and one exit code say how the rack did; the reports are merged into
// one (a JUnit testsuite per device and pass, a JSON record per device; JSON lines are
// appended by each device as its passes end), and each device has a log of its own.
#pragma once

#include "Headless.h"

#include <QHash>
#include <QString>
#include <QStringList>

struct RackRun {
  RunOptions run;
  // The devices that stand for COM 1, one run each; COM 2 keeps its one binding.
  QStringList devices;
  QString com2;
  QString logFile;
  bool reopen = true;
  // --set NAME@SHORT=VALUE: values for one device, by its short name.
  QHash<QString, QHash<QString, QString>> perDevice;
};

// "ttyUSB3" for "/dev/ttyUSB3": the last part of the device's path.
QString ShortName(const QString &device);
// "bench.ttyUSB3.log" for "bench.log": the device's own log beside the one named.
QString DeviceLog(const QString &log, const QString &shortName);
// Why the rack cannot start, or empty: a wrong file, or a question no one answers for a
// device. Nothing has been sent then. (A device named twice is the command line's to find.)
QString RackProblem(const RackRun &rack);
// Runs the rack in the running event loop and gives the exit code: 0 when every device
// passed, 3 when one could not be opened or was lost, else 1 when one failed; 2, or the
// code of an interruption (130, 143, 129), as a single run gives them.
int RunRack(const RackRun &rack);
