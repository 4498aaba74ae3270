#include "PtyDevice.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyDevice::PtyDevice() {
  int slave = -1;
  char name[128] = {};
  if (openpty(&master_, &slave, name, nullptr, nullptr) != 0) {
    master_ = -1;
    return;
  }
  // Raw from the start, as a serial line is: a pty's own default echoes what comes in, so
  // a device that answers while the tool has the port closed would talk to itself.
  termios raw{};
  if (tcgetattr(slave, &raw) == 0) {
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
  }
  // Only the tool holds the slave side, so its close is visible here.
  ::close(slave);
  // The tool usually runs on the test's own thread: a send must never block it.
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  // A tool started as a process must not hold the device's end too: a hang-up would not be
  // one while it does.
  ::fcntl(master_, F_SETFD, FD_CLOEXEC);
  path_ = QString::fromLocal8Bit(name);
}

PtyDevice::~PtyDevice() { hangUp(); }

void PtyDevice::mapAs(const char *comName) const {
  qputenv(QByteArray("GLOW_PANEL_") + comName, path_.toLocal8Bit());
}

void PtyDevice::send(const QByteArray &bytes) const {
  qsizetype done = 0;
  QElapsedTimer clock;
  clock.start();
  while (done < bytes.size() && clock.elapsed() < 5000) {
    const ssize_t n = ::write(master_, bytes.constData() + done, size_t(bytes.size() - done));
    if (n > 0)
      done += n;
    else if (errno == EAGAIN)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5); // let the tool drain the line
    else
      return;
  }
}

QByteArray PtyDevice::receive(int quietMs, int totalMs) const {
  QByteArray got;
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < totalMs) {
    pollfd pfd{master_, POLLIN, 0};
    if (::poll(&pfd, 1, quietMs) <= 0 || !(pfd.revents & POLLIN))
      break;
    char buf[4096];
    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n <= 0)
      break;
    got.append(buf, n);
  }
  return got;
}

QByteArray PtyDevice::receiveExactly(int count, int totalMs) const {
  QByteArray got;
  QElapsedTimer clock;
  clock.start();
  while (got.size() < count && clock.elapsed() < totalMs) {
    pollfd pfd{master_, POLLIN, 50};
    if (::poll(&pfd, 1, 50) <= 0 || !(pfd.revents & POLLIN))
      continue;
    char buf[4096];
    const ssize_t n = ::read(master_, buf, size_t(qMin<qsizetype>(sizeof buf, count - got.size())));
    if (n <= 0)
      break;
    got.append(buf, n);
  }
  return got;
}

bool PtyDevice::slaveClosed() const {
  pollfd pfd{master_, POLLIN, 0};
  return ::poll(&pfd, 1, 0) == 1 && (pfd.revents & POLLHUP);
}

void PtyDevice::hangUp() {
  if (master_ >= 0)
    ::close(master_);
  master_ = -1;
}
