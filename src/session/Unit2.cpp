#include "Unit2.h"

#include <QMetaObject>

#include <memory>

TRead232::TRead232(bool CreateSuspended, QObject *context, std::function<void()> poll)
    : context_(context), poll_(std::move(poll)) {
  if (!CreateSuspended)
    start();
}

TRead232::~TRead232() { stop(); }

void TRead232::portNews(qint64 waiting) {
  if (prompt_ || waiting >= kHurryBacklog)
    hurry();
  else
    news_.release();
}

void TRead232::hurry() {
  hurry_.release();
  news_.release();
}

void TRead232::stop() {
  requestInterruption();
  hurry();
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
    msleep(static_cast<unsigned long>(prompt_ ? kPromptPause.count() : kPollPause.count()));
    if (!prompt_)
      hurry_.tryAcquire(1, static_cast<int>((kGather - kPollPause).count()));
    news_.tryAcquire(1, static_cast<int>((kIdlePause - kGather).count()));
    // News that came in the meantime is covered by the next poll.
    news_.tryAcquire(news_.available());
    hurry_.tryAcquire(hurry_.available());
  }
}
