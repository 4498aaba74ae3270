// The receive poller's thread. It never touches the port itself: it asks the session's
// thread to run one poll, waits until that poll has run, rests, and asks again. All port
// work therefore stays on one thread, without locks, and a poll never runs inside the
// port's own signal, so whatever a poll leads to (a lost line closes the port) is safe.
//
// Asking again the instant a poll ends would keep a core busy for nothing, and a poll for
// every few bytes costs far more than the bytes. So after a poll the thread lets bytes gather
// for kGather, then rests until the port has news (portNews). Bytes after a quiet spell are
// read at once; a stream every kGather; a queue filling towards the discard limit cuts the
// gathering short; an idle open port costs one look every kIdlePause. While a sequence
// waits for replies, bytes are read as they come, kPromptPause apart at the least, so that
// a verdict follows its reply within milliseconds. When bytes arrived is noted by the session
// as the port announces them, so no rest delays an arrival time.
#pragma once

#include <QSemaphore>
#include <QThread>

#include <atomic>
#include <chrono>
#include <functional>

class TRead232 : public QThread {
  Q_OBJECT
public:
  // The least rest between polls: a flood must not keep a core busy.
  static constexpr std::chrono::milliseconds kPollPause{5};
  // The same while a run waits for replies: a verdict follows its last byte within this.
  static constexpr std::chrono::milliseconds kPromptPause{1};
  // How long bytes gather after a poll before the next, unless a run waits for them.
  static constexpr std::chrono::milliseconds kGather{36};
  // The longest rest: how often a quiet port is looked at anyway (a lost line is found
  // within this, and bytes a port did not announce).
  static constexpr std::chrono::milliseconds kIdlePause{1000};
  // How often a wait for the session's thread looks up to see whether it should stop, so
  // that stopping never hangs on a thread that is itself waiting for this one.
  static constexpr std::chrono::milliseconds kStopCheck{20};

  // poll runs on context's thread. Unless CreateSuspended, polling starts at once.
  TRead232(bool CreateSuspended, QObject *context, std::function<void()> poll);
  ~TRead232() override;

  // A queue this full is read at once rather than after the gathering time.
  static constexpr qint64 kHurryBacklog = 256;

  // The port has news (data or trouble) with this many bytes waiting: poll once the
  // gathering time is over, or as soon as the rest allows when the queue is filling or
  // someone waits for replies. Any thread.
  void portNews(qint64 waiting);
  // Whether someone (a sequence run) waits for replies: then bytes are read as they come.
  void setPrompt(bool prompt) { prompt_ = prompt; }
  // Ends polling and waits for the thread; safe to call on the session's thread any time.
  void stop();

protected:
  void run() override;

private:
  void hurry();

  QObject *context_;
  std::function<void()> poll_;
  QSemaphore news_;
  QSemaphore hurry_;
  std::atomic<bool> prompt_{false};
};
