// The receive poller's thread. It never touches the port itself: it asks the session's
// thread to run one poll, waits until that poll has run, rests, and asks again. All port
// work therefore stays on one thread, without locks, and a poll never runs inside the
// port's own signal, so whatever a poll leads to (a lost line closes the port) is safe.
//
// Asking again the instant a poll ends would keep a core busy for nothing. So after a poll
// the thread rests kPollPause at least, then until the port has news (portNews): bytes are
// read as they come, within a few hundred microseconds, and a flood costs at most a poll
// every kPollPause. An idle open port costs one look every kIdlePause. When bytes arrived
// is noted by the session as the port announces them, so the rest delays no arrival time.
#pragma once

#include <QSemaphore>
#include <QThread>

#include <chrono>
#include <functional>

class TRead232 : public QThread {
  Q_OBJECT
public:
  // The least rest between polls: a flood must not keep a core busy.
  static constexpr std::chrono::milliseconds kPollPause{5};
  // The longest rest: how often a quiet port is looked at anyway (a lost line is found
  // within this, and bytes a port did not announce).
  static constexpr std::chrono::milliseconds kIdlePause{1000};
  // How often a wait for the session's thread looks up to see whether it should stop, so
  // that stopping never hangs on a thread that is itself waiting for this one.
  static constexpr std::chrono::milliseconds kStopCheck{20};

  // poll runs on context's thread. Unless CreateSuspended, polling starts at once.
  TRead232(bool CreateSuspended, QObject *context, std::function<void()> poll);
  ~TRead232() override;

  // The port has news (data or trouble): poll as soon as the rest allows. Any thread.
  void portNews();
  // Ends polling and waits for the thread; safe to call on the session's thread any time.
  void stop();

protected:
  void run() override;

private:
  QObject *context_;
  std::function<void()> poll_;
  QSemaphore news_;
};
