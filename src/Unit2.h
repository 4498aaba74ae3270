// The receive poller's thread. It never touches the port or the window itself: it asks
// the GUI thread to run one poll, waits until that poll has run, rests, and asks again.
// All port and window work therefore stays on the GUI thread, without locks.
//
// Asking again the instant a poll ends would keep a core busy for nothing. The rest is
// short when the port has news (Nudge) and longer when it is quiet, so received text is
// on screen within a few milliseconds while an idle open port costs next to nothing.
#pragma once

#include <QSemaphore>
#include <QThread>

#include <chrono>
#include <functional>

class TRead232 : public QThread {
  Q_OBJECT
public:
  // The least rest between polls: bounds the poll rate while data streams in.
  static constexpr std::chrono::milliseconds kPollPause{5};
  // The longest rest: how often a quiet port is looked at anyway.
  static constexpr std::chrono::milliseconds kIdlePause{50};
  // How often a wait for the GUI thread looks up to see whether it should stop, so that
  // stopping never hangs on a GUI thread that is itself waiting for this thread.
  static constexpr std::chrono::milliseconds kStopCheck{20};

  // poll runs on context's thread. Unless CreateSuspended, polling starts at once.
  TRead232(bool CreateSuspended, QObject *context, std::function<void()> poll);
  ~TRead232() override;

  // The port has news (data or trouble): end the current rest early. Any thread.
  void Nudge();
  // Ends polling and waits for the thread; safe to call on the GUI thread at any time.
  void Stop();

protected:
  void run() override;

private:
  QObject *context_;
  std::function<void()> poll_;
  QSemaphore news_;
};
