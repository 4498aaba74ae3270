// A device that answers what it hears, on the test's event loop: a pseudo-terminal whose
// far end the test reads every 2 ms, keeping all it heard.
#pragma once

#include "PtyDevice.h"

#include <QTimer>

#include <functional>

#include <poll.h>
#include <unistd.h>

class AnsweringDevice : public PtyDevice {
public:
  explicit AnsweringDevice(std::function<QByteArray(const QByteArray &)> answer)
      : answer_(std::move(answer)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      pollfd pfd{masterFd(), POLLIN, 0};
      if (::poll(&pfd, 1, 0) <= 0 || !(pfd.revents & POLLIN))
        return;
      char buf[4096];
      const ssize_t n = ::read(masterFd(), buf, sizeof buf);
      if (n <= 0)
        return;
      heard += QByteArray(buf, n);
      if (answer_)
        send(answer_(QByteArray(buf, n)));
    });
    timer_.start(2);
  }
  QByteArray heard;

private:
  std::function<QByteArray(const QByteArray &)> answer_;
  QTimer timer_;
};

inline QByteArray Echo(const QByteArray &bytes) { return bytes; }
