// Windows has no pseudo-terminals: the device is never valid and the tests that need one
// skip. The clocks are the platform's.
#include "PtyDevice.h"

#include <QDeadlineTimer>

#include <windows.h>

PtyDevice::PtyDevice() = default;
PtyDevice::~PtyDevice() = default;
void PtyDevice::mapAs(const char *) const {}
void PtyDevice::send(const QByteArray &) const {}
QByteArray PtyDevice::receive(int, int) const { return QByteArray(); }
QByteArray PtyDevice::receiveExactly(int, int) const { return QByteArray(); }
bool PtyDevice::slaveClosed() const { return true; }
void PtyDevice::hangUp() {}

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
