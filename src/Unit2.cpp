#include "Unit2.h"

#include <QMetaObject>
#include <QSemaphore>

#include <memory>

TRead232::TRead232(bool CreateSuspended, QObject *context, std::function<void()> poll)
    : context_(context), poll_(std::move(poll)) {
  if (!CreateSuspended)
    start();
}

TRead232::~TRead232() { Stop(); }

void TRead232::Stop() {
  requestInterruption();
  wait();
}

void TRead232::run() {
  // Shared with the queued call, which may still be pending when this thread ends.
  const auto done = std::make_shared<QSemaphore>();
  while (!isInterruptionRequested()) {
    QMetaObject::invokeMethod(
        context_,
        [poll = poll_, done] {
          poll();
          done->release();
        },
        Qt::QueuedConnection);
    while (!done->tryAcquire(1, static_cast<int>(kStopCheck.count()))) {
      if (isInterruptionRequested())
        return;
    }
    msleep(static_cast<unsigned long>(kPollPause.count()));
  }
}
