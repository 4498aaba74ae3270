// The device at the far end of the line, stood in for by a real pseudo-terminal: the tool
// opens the slave path, the test talks through the master. Windows has no pseudo-terminals:
// there a PtyDevice is never valid, and the tests that need one are skipped.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTest>

#define REQUIRE_DEVICE(device)                                                                     \
  do {                                                                                             \
    if (!(device).isValid())                                                                       \
      QSKIP("needs a pseudo-terminal for the device; the Linux suite runs it");                    \
  } while (false)

class PtyDevice {
public:
  PtyDevice();
  ~PtyDevice();
  PtyDevice(const PtyDevice &) = delete;
  PtyDevice &operator=(const PtyDevice &) = delete;

  bool isValid() const { return master_ >= 0; }
  QString path() const { return path_; }
  // Makes the named radio item ("COM1", "COM2") reach this device.
  void mapAs(const char *comName) const;

  // Runs the event loop while the line is full, so a tool on this thread can drain it.
  void send(const QByteArray &bytes) const;
  // Everything that arrives until the line has been quiet for quietMs (or totalMs pass).
  QByteArray receive(int quietMs = 100, int totalMs = 3000) const;
  // Reads exactly count bytes, or what came within totalMs.
  QByteArray receiveExactly(int count, int totalMs = 3000) const;
  // True once no one holds the slave side open.
  bool slaveClosed() const;
  // The device goes away, as when a USB adapter is pulled.
  void hangUp();

  int masterFd() const { return master_; }

private:
  int master_ = -1;
  QString path_;
};
