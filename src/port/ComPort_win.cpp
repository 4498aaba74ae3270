// Windows: QSerialPort::open writes its own flow control into the port's settings record
// (DCB): no XON/XOFF, no CTS, RTS held low. The port's record is read before the open and
// its flow-control fields put back after, so that, as on Unix, opening changes only speed,
// data bits, parity and stop bits. A removed adapter is reported as one of several errors,
// and a later error overwrites it, so a lost line is told by asking the driver directly.
// ERROR_ACCESS_DENIED on a COM port means another program holds it.
#include "ComPort.h"
#include "PortBinding.h"

#include <windows.h>

namespace {
// The fields of the settings record that make up flow control and the modem lines.
void KeepFlowControl(DCB &now, const DCB &was) {
  now.fOutxCtsFlow = was.fOutxCtsFlow;
  now.fOutxDsrFlow = was.fOutxDsrFlow;
  now.fDsrSensitivity = was.fDsrSensitivity;
  now.fDtrControl = was.fDtrControl;
  now.fRtsControl = was.fRtsControl;
  now.fInX = was.fInX;
  now.fOutX = was.fOutX;
  now.fTXContinueOnXoff = was.fTXContinueOnXoff;
  now.XonLim = was.XonLim;
  now.XoffLim = was.XoffLim;
  now.XonChar = was.XonChar;
  now.XoffChar = was.XoffChar;
}

// How many bytes wait in the driver, both ways; false once the device is gone.
bool Queues(HANDLE port, DWORD *in, DWORD *out = nullptr) {
  DWORD errors = 0;
  COMSTAT status{};
  if (!ClearCommError(port, &errors, &status))
    return false;
  *in = status.cbInQue;
  if (out)
    *out = status.cbOutQue;
  return true;
}

QString SystemPath(const QString &portName) {
  return portName.startsWith(QLatin1String("COM")) ? QStringLiteral("\\\\.\\") + portName
                                                   : portName;
}
} // namespace

bool TComPort::open(const QString &device) {
  path_ = device;
  if (device.isEmpty())
    return false;
  // "com12" and "\\.\COM12" are COM12; QSerialPort adds the \\.\ that COM10 and above need
  // only to a name in capitals.
  const QString name = CanonicalDevice(device);
  port_.setPortName(name);
  // A COM port has one owner at a time, so the record is read through a handle of our own,
  // closed again before QSerialPort opens the port. Qt has no way to leave it alone.
  DCB was{};
  was.DCBlength = sizeof was;
  bool known = false;
  const std::wstring path = SystemPath(name).toStdWString();
  HANDLE before = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              0, nullptr);
  if (before != INVALID_HANDLE_VALUE) {
    known = GetCommState(before, &was) != 0;
    CloseHandle(before);
  }
  if (!port_.open(QIODevice::ReadWrite))
    return false;
  DCB now{};
  now.DCBlength = sizeof now;
  HANDLE handle = port_.handle();
  if (known && GetCommState(handle, &now)) {
    KeepFlowControl(now, was);
    SetCommState(handle, &now);
  }
  return true;
}

QString TComPort::failureHint() const {
  if (port_.error() == QSerialPort::PermissionError)
    return tr("Another program has this port open (or this tool is running twice).\n"
              "Close it there first.");
  return QString();
}

qint64 TComPort::driverInputQueue() const {
  DWORD queued = 0;
  return Queues(port_.handle(), &queued) ? queued : 0;
}

qint64 TComPort::driverOutputQueue() const {
  // Qt has no way to ask; the output count of ClearCommError is what the driver still holds.
  DWORD in = 0, out = 0;
  return Queues(port_.handle(), &in, &out) ? out : 0;
}

bool TComPort::lineLost() const {
  DWORD queued = 0;
  return !port_.isOpen() || !Queues(port_.handle(), &queued);
}
