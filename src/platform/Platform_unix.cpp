// Linux and other Unix systems: stdio is the terminal, the Ming face comes from
// fonts-arphic-uming, and sleeps already keep their time.
#include "Platform.h"

#include "ExitCode.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>

#include <unistd.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {
QString gConsoleProblem;
} // namespace

void PrintToConsole(ConsoleStream stream, const QString &text) {
  FILE *file = stream == ConsoleStream::Out ? stdout : stderr;
  // A run's lines are read as they come, through a pipe too.
  errno = 0;
  const bool written =
      std::fputs(text.toLocal8Bit().constData(), file) >= 0 && std::fflush(file) == 0;
  if (written || stream != ConsoleStream::Out || !gConsoleProblem.isEmpty())
    return;
  gConsoleProblem = QStringLiteral("standard output: %1")
                        .arg(QString::fromLocal8Bit(std::strerror(errno ? errno : EIO)));
  std::clearerr(file);
  std::fputs(QStringLiteral("%1 (what follows is not there)\n")
                 .arg(gConsoleProblem)
                 .toLocal8Bit()
                 .constData(),
             stderr);
}

QString ConsoleProblem() { return gConsoleProblem; }

namespace {
// A signal handler may only write to a pipe; the event loop reads it and calls the handler.
int gInterruptPipe[2] = {-1, -1};
std::function<void(int)> gInterruptHandler;
volatile sig_atomic_t gInterrupted = 0;

// Each request to end and the code a run then ends with.
struct Request {
  int signal;
  ExitCode code;
};
constexpr Request kRequests[] = {
    {SIGINT, kRunInterrupted}, {SIGTERM, kRunTerminated}, {SIGHUP, kRunHungUp}};

void SignalInterrupt(int signal) {
  char code = char(kRunTerminated);
  for (const Request &r : kRequests)
    if (r.signal == signal)
      code = char(r.code);
  // The first request is handled in order; a second, while the first still is, ends it all.
  if (gInterrupted)
    ::_exit(code);
  gInterrupted = 1;
  [[maybe_unused]] const ssize_t n = ::write(gInterruptPipe[1], &code, 1);
}

} // namespace

void OnInterrupt(std::function<void(int)> handler) {
  static QSocketNotifier *notifier = nullptr;
  gInterruptHandler = std::move(handler);
  gInterrupted = 0;
  if (!gInterruptHandler) {
    for (const Request &r : kRequests)
      std::signal(r.signal, SIG_DFL);
    return;
  }
  if (!notifier) {
    if (::pipe(gInterruptPipe) != 0)
      return;
    notifier =
        new QSocketNotifier(gInterruptPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
      char code;
      if (::read(gInterruptPipe[0], &code, 1) == 1 && gInterruptHandler)
        gInterruptHandler(uchar(code));
    });
  }
  struct sigaction action = {};
  action.sa_handler = SignalInterrupt;
  for (const Request &r : kRequests)
    sigaction(r.signal, &action, nullptr);
}

void InterruptOnInput() {
  auto *notifier =
      new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier] {
    char code = 0;
    const ssize_t n = ::read(STDIN_FILENO, &code, 1);
    if (n < 0)
      return;
    if (n == 0) {
      // An input at its end stays readable.
      notifier->setEnabled(false);
      code = char(kRunHungUp);
    }
    if (gInterruptHandler)
      gInterruptHandler(uchar(code));
  });
}

QStringList MingFaceSubstitutes() {
  return {QStringLiteral("PMingLiU"), QStringLiteral("AR PL UMing TW")};
}

void PauseExactly(std::chrono::nanoseconds time) { std::this_thread::sleep_for(time); }

void PrepareForLongRun() {
  // A write into a pipe nobody reads any more (| head, a log's reader gone) is an error to
  // tell, not the end of the program, which would take its reports with it.
  std::signal(SIGPIPE, SIG_IGN);
#ifdef __GLIBC__
  // By default glibc raises this threshold as large buffers are freed, and a growing
  // buffer then moves within the heap, leaving its old copy resident. Qt has no say here.
  constexpr int kOwnMappingFrom = 256 * 1024;
  mallopt(M_MMAP_THRESHOLD, kOwnMappingFrom);
#endif
}
