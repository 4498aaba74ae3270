// What the process itself costs, for the tests and the benchmark alike.
#pragma once

#include <QtGlobal>

// CPU time (user + system) the whole process has used, in milliseconds.
double ProcessCpuMs();
// The monotonic clock in nanoseconds: comparable between processes on this machine.
qint64 MonotonicNs();
// Resident memory now, and its peak, in kilobytes (0 where the platform does not say).
qint64 ResidentKb();
qint64 PeakResidentKb();
