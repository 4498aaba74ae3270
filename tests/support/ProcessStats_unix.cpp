// Linux: the clocks from the kernel, memory from /proc/self/status.
#include "ProcessStats.h"

#include <QFile>

#include <sys/resource.h>
#include <time.h>

namespace {
qint64 StatusKb(const char *key) {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly))
    return 0;
  for (const QByteArray &line : status.readAll().split('\n'))
    if (line.startsWith(key))
      return line.mid(int(qstrlen(key))).trimmed().split(' ').value(0).toLongLong();
  return 0;
}
} // namespace

qint64 MonotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

double ProcessCpuMs() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
         (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

qint64 ResidentKb() { return StatusKb("VmRSS:"); }
// VmHWM, not ru_maxrss: Linux carries the latter over from the parent across exec.
qint64 PeakResidentKb() { return StatusKb("VmHWM:"); }
