// Windows has no pseudo-terminals: the device is never valid and the tests that need one
// skip.
#include "PtyDevice.h"

PtyDevice::PtyDevice() = default;
PtyDevice::~PtyDevice() = default;
void PtyDevice::mapAs(const char *) const {}
void PtyDevice::send(const QByteArray &) const {}
QByteArray PtyDevice::receive(int, int) const { return QByteArray(); }
QByteArray PtyDevice::receiveExactly(int, int) const { return QByteArray(); }
bool PtyDevice::slaveClosed() const { return true; }
void PtyDevice::hangUp() {}
