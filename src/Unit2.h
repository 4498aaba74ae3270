// The receive poller's thread. It never touches the port or the window itself: it asks
// the GUI thread to run one poll, waits until that poll has run, rests a moment and asks
// again. All port and window work therefore stays on the GUI thread, without locks.
#pragma once

#include <QThread>

#include <chrono>
#include <functional>

class TRead232 : public QThread {
  Q_OBJECT
public:
  // Without the rest, asking again the instant a poll ends keeps a core busy for nothing;
  // 10 ms keeps received text on screen within a frame or two.
  static constexpr std::chrono::milliseconds kPollPause{10};
  // How often a wait for the GUI thread looks up to see whether it should stop, so
  // that stopping never waits on a GUI thread that is itself waiting for us.
  static constexpr std::chrono::milliseconds kStopCheck{20};

  // poll runs on context's thread. Unless CreateSuspended, polling starts at once.
  TRead232(bool CreateSuspended, QObject *context, std::function<void()> poll);
  ~TRead232() override;

  // Ends polling and waits for the thread; safe to call on the GUI thread at any time.
  void Stop();

protected:
  void run() override;

private:
  QObject *context_;
  std::function<void()> poll_;
};
