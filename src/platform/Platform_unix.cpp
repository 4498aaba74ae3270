// Linux and other Unix systems: stdio is the terminal, the Ming face comes from
// fonts-arphic-uming, and sleeps already keep their time.
#include "Platform.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <thread>

#include <unistd.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

void PrintToConsole(ConsoleStream stream, const QString &text) {
  FILE *file = stream == ConsoleStream::Out ? stdout : stderr;
  std::fputs(text.toLocal8Bit().constData(), file);
  // A run's lines are read as they come, through a pipe too.
  std::fflush(file);
}

namespace {
// A signal handler may only write to a pipe; the event loop reads it and calls the handler.
int gInterruptPipe[2] = {-1, -1};
std::function<void()> gInterruptHandler;

void SignalInterrupt(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(gInterruptPipe[1], &byte, 1);
}
} // namespace

void OnInterrupt(std::function<void()> handler) {
  static QSocketNotifier *notifier = nullptr;
  gInterruptHandler = std::move(handler);
  if (!gInterruptHandler) {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    return;
  }
  if (!notifier) {
    if (::pipe(gInterruptPipe) != 0)
      return;
    notifier =
        new QSocketNotifier(gInterruptPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
      char byte;
      [[maybe_unused]] const ssize_t n = ::read(gInterruptPipe[0], &byte, 1);
      if (gInterruptHandler)
        gInterruptHandler();
    });
  }
  struct sigaction action = {};
  action.sa_handler = SignalInterrupt;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

QStringList MingFaceSubstitutes() {
  return {QStringLiteral("PMingLiU"), QStringLiteral("AR PL UMing TW")};
}

void PauseExactly(std::chrono::nanoseconds time) { std::this_thread::sleep_for(time); }

void PrepareForLongRun() {
#ifdef __GLIBC__
  // By default glibc raises this threshold as large buffers are freed, and a growing
  // buffer then moves within the heap, leaving its old copy resident. Qt has no say here.
  constexpr int kOwnMappingFrom = 256 * 1024;
  mallopt(M_MMAP_THRESHOLD, kOwnMappingFrom);
#endif
}
