// Windows: the clocks from the system; memory is not measured there.
#include "ProcessStats.h"

#include <QDeadlineTimer>

#include <windows.h>

qint64 MonotonicNs() { return QDeadlineTimer::current(Qt::PreciseTimer).deadlineNSecs(); }

double ProcessCpuMs() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
    return 0;
  auto ms = [](const FILETIME &t) {
    return double((quint64(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
  };
  return ms(kernel) + ms(user);
}

qint64 ResidentKb() { return 0; }
qint64 PeakResidentKb() { return 0; }
