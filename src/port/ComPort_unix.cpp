// Unix: a device is opened and locked by the name its links lead to; its flow control is
// read from its termios before QSerialPort opens it and put back after; a hung-up tty
// tells a lost line; a permission error means the group "dialout".
#include "ComPort.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

bool TComPort::open(const QString &device) {
  path_ = device;
  if (device.isEmpty())
    return false;
  // The lock file is named after the port's name: a link and its target must be one name,
  // or a second opener under the other name gets in (and, closing, drops the first one's
  // exclusive hold).
  const QString canonical = QFileInfo(device).canonicalFilePath();
  port_.setPortName(canonical.isEmpty() ? device : canonical);
  // QSerialPort::open puts its own flow control on the line, and its one setting cannot
  // say "hardware and software" anyway. The device's own is read before the open and put
  // back after it. The descriptor stays open across the open, so closing it is never the
  // last close, which would drop the modem lines.
  const int before =
      ::open(QFile::encodeName(device).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  termios was{};
  const bool known = before >= 0 && ::tcgetattr(before, &was) == 0;
  const bool opened = port_.open(QIODevice::ReadWrite);
  termios now{};
  const int fd = opened ? static_cast<int>(port_.handle()) : -1;
  if (known && fd >= 0 && ::tcgetattr(fd, &now) == 0) {
    constexpr tcflag_t kInputFlow = IXON | IXOFF | IXANY;
    now.c_cflag = (now.c_cflag & ~tcflag_t(CRTSCTS)) | (was.c_cflag & CRTSCTS);
    now.c_iflag = (now.c_iflag & ~kInputFlow) | (was.c_iflag & kInputFlow);
    now.c_cc[VSTART] = was.c_cc[VSTART];
    now.c_cc[VSTOP] = was.c_cc[VSTOP];
    ::tcsetattr(fd, TCSANOW, &now);
  }
  if (before >= 0)
    ::close(before);
  return opened;
}

QString TComPort::failureHint() const {
  const QFileInfo device(path_);
  if (device.exists() && !(device.isReadable() && device.isWritable()))
    return tr("Serial devices belong to the group \"dialout\". Join it with\n"
              "  sudo adduser $USER dialout\nthen log out and in again.");
  return QString();
}

qint64 TComPort::driverInputQueue() const {
  int queued = 0;
  return ::ioctl(static_cast<int>(port_.handle()), FIONREAD, &queued) == 0 ? queued : 0;
}

qint64 TComPort::driverOutputQueue() const {
  // Qt has no way to ask; tcdrain() would ask, but waits for good on a line held by XOFF.
  int queued = 0;
  return ::ioctl(static_cast<int>(port_.handle()), TIOCOUTQ, &queued) == 0 ? queued : 0;
}

bool TComPort::lineLost() const {
  if (!port_.isOpen())
    return true;
  // QSerialPort reports a hung-up tty (end of file) exactly as a read that found nothing,
  // and a full output queue as a resource error; only the hang-up flag tells them apart.
  pollfd probe{static_cast<int>(port_.handle()), 0, 0};
  return ::poll(&probe, 1, 0) > 0 && (probe.revents & (POLLHUP | POLLERR | POLLNVAL));
}
