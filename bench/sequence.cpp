// Test sequences: an expect's reply time against the line monitor's, how closely a limit is
// kept, parsing a long file, and memory over a long repeat on a loopback device.
#include "Bench.h"
#include "Groups.h"
#include "ProcessStats.h"
#include "SequenceRunner.h"

#include <QElapsedTimer>

#include <poll.h>
#include <unistd.h>

namespace {
// A loopback plug on a thread of its own: every byte comes back at once.
class EchoDevice {
public:
  explicit EchoDevice(const PtyDevice &pty)
      : thread_([this, fd = pty.masterFd()] {
          while (!stop_) {
            pollfd pfd{fd, POLLIN, 0};
            if (::poll(&pfd, 1, 20) <= 0 || !(pfd.revents & POLLIN))
              continue;
            char buf[4096];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0 && ::write(fd, buf, size_t(n)) != n)
              continue;
            if (n <= 0)
              std::this_thread::sleep_for(std::chrono::milliseconds(5));
          }
        }) {}
  ~EchoDevice() {
    stop_ = true;
    thread_.join();
  }

private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

QList<SequenceStep> Steps(const QByteArray &text) { return ParseSequence(text).steps; }

bool RunSteps(SequenceRunner &runner, const QList<SequenceStep> &steps, int repeat) {
  runner.start(steps, repeat, false);
  return RunUntil([&] { return !runner.running(); }, 3600 * 1000);
}
} // namespace

void SequenceGroup() {
  PtyDevice pty;
  pty.mapAs("COM1");
  TrdCom form;
  form.show();

  // Reply times: the runner's and the monitor's "+N ms" for the same replies.
  {
    EchoDevice echo(pty);
    QByteArray file = "open COM1 38400\n";
    const int pairs = gQuick ? 20 : 100;
    for (int i = 0; i < pairs; ++i)
      file += QStringLiteral("send \"ping %1\"\nexpect \"ping %1\" within 500 ms\nwait %2 ms\n")
                  .arg(i)
                  .arg(10 + i % 50)
                  .toUtf8();
    std::vector<qint64> monitorMs;
    const auto watching =
        QObject::connect(&TLineRecorder::instance(), &TLineRecorder::row, [&](const LineRow &row) {
          const qsizetype at = row.head.indexOf(", +");
          if (row.kind == LineRow::Received && at > 0)
            monitorMs.push_back(row.head.mid(at + 3).section(' ', 0, 0).toLongLong());
        });
    SequenceRunner runner(&form);
    const bool ran = RunSteps(runner, Steps(file), 1);
    QObject::disconnect(watching);
    qint64 worst = -1;
    int compared = 0;
    const auto &results = runner.passes().first().results;
    for (int i = 0, m = 0; i < results.size() && m < int(monitorMs.size()); ++i) {
      if (results[i].replyMs < 0)
        continue;
      worst = std::max(worst, std::abs(results[i].replyMs - monitorMs[size_t(m++)]));
      ++compared;
    }
    Report(QStringLiteral("Sequence: reply time of %1 expects vs the monitor's +N ms").arg(pairs),
           "within 2 ms",
           QStringLiteral("%1 compared, largest difference %2 ms; %3 failed steps")
               .arg(compared)
               .arg(worst)
               .arg(runner.failedSteps()),
           ran && compared == pairs && worst >= 0 && worst <= 2 && runner.failedSteps() == 0);
  }

  // A silent device: how far past its limit an expect fails.
  {
    const int tries = gQuick ? 5 : 20;
    std::vector<double> ms;
    for (int i = 0; i < tries; ++i) {
      SequenceRunner runner(&form);
      RunSteps(runner, Steps("open COM1\nexpect hex 06 within 500 ms\n"), 1);
      const auto &r = runner.passes().first().results;
      if (r.size() == 2 && r[1].state == SequenceRunner::State::Failed)
        ms.push_back(double(r[1].ms));
    }
    const double lo = ms.empty() ? 0 : *std::min_element(ms.begin(), ms.end());
    const double hi = ms.empty() ? 1e9 : *std::max_element(ms.begin(), ms.end());
    Report(QStringLiteral("Sequence: a silent device against within 500 ms, %1 runs").arg(tries),
           "fails between 500 and 520 ms",
           QStringLiteral("%1 failed as they should, after %2 to %3 ms")
               .arg(ms.size())
               .arg(lo, 0, 'f', 0)
               .arg(hi, 0, 'f', 0),
           int(ms.size()) == tries && lo >= 500 && hi <= 520);
  }

  // Parsing: a file of 10,000 steps of every kind.
  {
    QByteArray file;
    const char *const kinds[] = {"send \"第 %1 行 line\\r\\n\"", "expect hex 06 15 within 200 ms",
                                 "wait %1 ms", "send hex 1F 24 00 FF", "expect nothing for 5 ms"};
    for (int i = 0; i < 10000; ++i)
      file += QString::fromUtf8(kinds[i % 5])
                  .replace(QStringLiteral("%1"), QString::number(i))
                  .toUtf8() +
              '\n';
    QElapsedTimer clock;
    clock.start();
    const ParsedSequence parsed = ParseSequence(file);
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    Report("Sequence: a file of 10,000 steps parsed", "< 50 ms",
           QStringLiteral("%1 steps in %2").arg(parsed.steps.size()).arg(Ms(ms)),
           parsed.steps.size() == 10000 && ms < 50);
  }

  // A long repeat on the loopback plug: memory after the first hundred passes stays put.
  {
    EchoDevice echo(pty);
    const QList<SequenceStep> steps =
        Steps("open COM1 38400\nsend \"AT\\r\"\nexpect \"AT\\r\" within 500 ms\nclear-vfd\n"
              "expect hex 0C within 500 ms\nsend hex 00 FF\nexpect hex 00 FF within 500 ms\n"
              "eend\nexpect \"eEND\" within 500 ms\nclose\n");
    const int repeats = gQuick ? 200 : 1000;
    SequenceRunner runner(&form);
    runner.setKeepPasses(false);
    double rssAt100 = 0;
    QObject::connect(&runner, &SequenceRunner::passStarted, [&](int pass) {
      if (pass == 101)
        rssAt100 = double(ResidentKb()) / 1024;
    });
    QElapsedTimer clock;
    clock.start();
    const bool ran = RunSteps(runner, steps, repeats);
    const double rssEnd = double(ResidentKb()) / 1024;
    Report(
        QStringLiteral("Sequence: --repeat %1 of a 10-step file on the loopback plug").arg(repeats),
        "every step passes; memory flat after the first hundred passes",
        QStringLiteral("%1 passed, %2 failed in %3 s; resident memory %4 MB after 100 passes, "
                       "%5 MB at the end")
            .arg(runner.passedSteps())
            .arg(runner.failedSteps())
            .arg(double(clock.elapsed()) / 1000, 0, 'f', 1)
            .arg(rssAt100, 0, 'f', 1)
            .arg(rssEnd, 0, 'f', 1),
        ran && runner.failedSteps() == 0 && runner.passedSteps() == 10 * repeats &&
            rssEnd - rssAt100 <= 1.0);
  }
}
