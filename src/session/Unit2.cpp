#include "Unit2.h"

#include <QMetaObject>

#include <memory>

TRead232::TRead232(bool CreateSuspended, QObject *context, std::function<void()> poll)
    : context_(context), poll_(std::move(poll)) {
  if (!CreateSuspended)
    start();
}

TRead232::~TRead232() { stop(); }

void TRead232::portNews() { news_.release(); }

void TRead232::stop() {
  requestInterruption();
  news_.release();
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
    news_.tryAcquire(1, static_cast<int>((kIdlePause - kPollPause).count()));
    // News that came in the meantime is covered by the next poll.
    news_.tryAcquire(news_.available());
  }
}
