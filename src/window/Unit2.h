// The receive poller's thread. It never touches the port or the window itself: it asks
// the GUI thread to run one poll, waits until that poll has run, rests, and asks again.
// All port and window work therefore stays on the GUI thread, without locks.
//
// Asking again the instant a poll ends would keep a core busy for nothing, and redrawing
// the memo for every few bytes costs far more than the bytes. So after a poll the thread
// lets text gather for kUpdateInterval, then rests until the port has news (portNews).
// Text after a quiet spell is shown at once; a stream is shown kUpdateInterval apart; a
// queue filling towards the discard limit cuts the gathering short; an idle open port
// costs one look every kIdlePause.
#pragma once

#include "ComPort.h"

#include <QSemaphore>
#include <QThread>

#include <chrono>
#include <functional>

class TRead232 : public QThread {
  Q_OBJECT
public:
  // The least rest between polls, even when hurried: a flood must not keep a core busy.
  static constexpr std::chrono::milliseconds kPollPause{5};
  // How long text gathers after a poll before the next: at most this many memo updates
  // a second while data streams. Each update lays out and draws its lines and sends a
  // frame, so fewer, fuller updates cost less, as a terminal's jump scroll does; about 27
  // a second still reads as smooth and keeps a margin over 25.
  static constexpr std::chrono::milliseconds kUpdateInterval{36};
  // The longest rest: how often a quiet port is looked at anyway (a lost line is found
  // within this).
  static constexpr std::chrono::milliseconds kIdlePause{1000};
  // How often a wait for the GUI thread looks up to see whether it should stop, so that
  // stopping never hangs on a GUI thread that is itself waiting for this thread.
  static constexpr std::chrono::milliseconds kStopCheck{20};
  // A queue this full is polled at once rather than after the gathering time.
  static constexpr qint64 kHurryBacklog = TComPort::kOverflowLimit / 4;

  // poll runs on context's thread. Unless CreateSuspended, polling starts at once.
  TRead232(bool CreateSuspended, QObject *context, std::function<void()> poll);
  ~TRead232() override;

  // The port has news (data or trouble) with this many bytes waiting: poll once the
  // gathering time is over, or now when the queue is filling. Any thread.
  void portNews(qint64 waiting);
  // Ends polling and waits for the thread; safe to call on the GUI thread at any time.
  void stop();

protected:
  void run() override;

private:
  void hurry();

  QObject *context_;
  std::function<void()> poll_;
  QSemaphore news_;
  QSemaphore hurry_;
};
