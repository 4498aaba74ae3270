#include "Bench.h"

#include "Big5.h"
#include "ProcessStats.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

bool gQuick = false;

namespace {
struct Row {
  QString figure, target, measured;
  bool met;
};
std::vector<Row> gRows;
} // namespace

void Report(const QString &figure, const QString &target, const QString &measured, bool met) {
  gRows.push_back({figure, target, measured, met});
  std::fprintf(stderr, "%s: %s\n", qPrintable(figure), qPrintable(measured));
}

void PrintReport() {
  std::printf("| Figure | Target | Measured | Met |\n|---|---|---|---|\n");
  for (const Row &r : gRows)
    std::printf("| %s | %s | %s | %s |\n", qPrintable(r.figure), qPrintable(r.target),
                qPrintable(r.measured), r.met ? "yes" : "**no**");
}

void RunFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

bool RunUntil(const std::function<bool()> &done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeoutMs)
      return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 1);
  }
  return true;
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty())
    return 0;
  std::sort(v.begin(), v.end());
  const size_t i = std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5));
  return v[i];
}

QString Ms(double ms) { return QString::number(ms, 'f', ms < 10 ? 2 : 1) + " ms"; }

OpenTool::OpenTool() {
  device.mapAs("COM1");
  form.show();
  Click(&form, "Button4");
}

HeadlessTool::HeadlessTool(const PtyDevice &pty) {
  SessionOptions options;
  options.devices = {pty.path(), QString()};
  session = std::make_unique<TPortSession>(&journal, options);
  runner = std::make_unique<SequenceRunner>(session.get());
}

bool HeadlessTool::run(const QList<SequenceStep> &steps, int repeat) {
  runner->start(steps, repeat, false);
  return RunUntil([&] { return !runner->running(); }, 3600 * 1000);
}

QByteArray NumberedLine(qint64 n) {
  return QStringLiteral("line %1: ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz 0123\r\n")
      .arg(n, 8, 10, QChar('0'))
      .toLatin1();
}

QList<QByteArray> StreamLines(int seconds) {
  QList<QByteArray> lines;
  qsizetype size = 0;
  for (int i = 0; size < seconds * kBytesPerSecond38400; ++i) {
    lines << (i % 2
                  ? ToBig5(QStringLiteral("第%1行 嵐樺翔昱 測試顯示\r\n").arg(i, 5, 10, QChar('0')))
                  : QStringLiteral("ASCII line %1: 0123456789 abc\r\n")
                        .arg(i, 5, 10, QChar('0'))
                        .toLatin1());
    size += lines.last().size();
  }
  lines.last().chop(size - seconds * kBytesPerSecond38400);
  return lines;
}

PacedDevice::PacedDevice(std::vector<const PtyDevice *> ptys, int bytesPerSecond,
                         std::function<QByteArray(qint64)> piece)
    : ptys_(std::move(ptys)), rate_(bytesPerSecond), piece_(std::move(piece)),
      thread_([this] { run(); }) {}

PacedDevice::~PacedDevice() { stop(); }

void PacedDevice::stop() {
  stop_ = true;
  finish();
}

void PacedDevice::finish() {
  if (thread_.joinable())
    thread_.join();
}

void PacedDevice::run() {
  constexpr qint64 kNs = 1000000000;
  qint64 start = MonotonicNs();
  while (!stop_) {
    const qint64 due = (MonotonicNs() - start) * rate_ / kNs;
    if (due - sent_ > rate_ / 50)
      start = MonotonicNs() - sent_ * kNs / rate_;
    while (sent_ < due && !stop_) {
      const QByteArray piece = piece_(pieces_);
      if (piece.isEmpty())
        return;
      for (const PtyDevice *pty : ptys_) {
        qsizetype done = 0;
        while (done < piece.size() && !stop_) {
          const ssize_t n =
              ::write(pty->masterFd(), piece.constData() + done, size_t(piece.size() - done));
          if (n > 0)
            done += n;
          else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
      }
      sent_ += piece.size();
      ++pieces_;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

ScriptedDevice::ScriptedDevice(const PtyDevice &pty)
    : thread_([this, fd = pty.masterFd()] {
        // Ahead of the tool on the processor, where the system allows it: the device's own
        // wake-ups are no part of what it measures.
        sched_param realtime{};
        realtime.sched_priority = 10;
        pthread_setschedparam(pthread_self(), SCHED_FIFO, &realtime);
        run(fd);
      }) {}

ScriptedDevice::~ScriptedDevice() {
  stop_ = true;
  thread_.join();
}

std::vector<double> ScriptedDevice::answerMs() {
  std::lock_guard<std::mutex> lock(mutex_);
  return answerMs_;
}

std::vector<qint64> ScriptedDevice::arrivalsNs() {
  std::lock_guard<std::mutex> lock(mutex_);
  return arrivalsNs_;
}

void ScriptedDevice::run(int fd) {
  QByteArray command;
  while (!stop_) {
    pollfd pfd{fd, POLLIN, 0};
    if (::poll(&pfd, 1, 20) <= 0)
      continue;
    char buf[4096];
    const ssize_t n = (pfd.revents & POLLIN) ? ::read(fd, buf, sizeof buf) : 0;
    const qint64 at = MonotonicNs();
    // No one has the line open (a hang-up shows at once): look again shortly, without
    // spinning at this thread's priority.
    if (n <= 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (ssize_t i = 0; i < n; ++i)
        arrivalsNs_.push_back(at);
    }
    command += QByteArray(buf, int(n));
    if (!command.startsWith('D')) {
      [[maybe_unused]] const ssize_t echoed = ::write(fd, command.constData(), command.size());
      command.clear();
      continue;
    }
    if (!command.endsWith('\n'))
      continue;
    const QByteArray delay = command.mid(1, command.size() - 2);
    command.clear();
    const qint64 due = at + delay.toLongLong() * 1000000;
    while (MonotonicNs() < due)
      std::this_thread::sleep_for(std::chrono::nanoseconds(due - MonotonicNs()));
    const QByteArray answer = "R" + delay + "\n";
    const qint64 sent = MonotonicNs();
    [[maybe_unused]] const ssize_t wrote = ::write(fd, answer.constData(), answer.size());
    std::lock_guard<std::mutex> lock(mutex_);
    answerMs_.push_back(double(sent - at) / 1e6);
  }
}

QByteArray RoundsFile(int rounds) {
  QByteArray file = "open COM1 38400\n";
  for (int i = 0; i < rounds; ++i)
    file += QStringLiteral("send \"D5\\n\"\nexpect \"R5\\n\" within 30 ms\nwait %1 ms\n")
                .arg(5 + i % 20)
                .toUtf8();
  return file + "close\n";
}
