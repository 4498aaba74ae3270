// Measures the tool as a bench operator meets it: the real window, offscreen, against real
// pseudo-terminals. Prints one Markdown table. `glow_bench --quick` shortens every run.
#include "Harness.h"
#include "PtyDevice.h"
#include "ReceiveText.h"
#include "RecordingPort.h"
#include "Unit2.h"
#include "VfdCommands.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include <poll.h>
#include <unistd.h>

namespace {
bool quick = false;

struct Row {
  QString figure, target, measured;
  bool met;
};
std::vector<Row> rows;

void Report(const QString &figure, const QString &target, const QString &measured, bool met) {
  rows.push_back({figure, target, measured, met});
  std::fprintf(stderr, "%s: %s\n", qPrintable(figure), qPrintable(measured));
}

void RunFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// Runs the event loop until done() holds or timeoutMs pass; true when it held.
template <class F> bool RunUntil(F done, int timeoutMs) {
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
  std::sort(v.begin(), v.end());
  const size_t i = std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5));
  return v[i];
}

QString Ms(double ms) { return QString::number(ms, 'f', ms < 10 ? 2 : 1) + " ms"; }

struct OpenTool {
  PtyDevice device;
  TrdCom form;
  OpenTool() {
    device.mapAs("COM1");
    form.show();
    Click(&form, "Button4");
  }
};

void IdleCpu() {
  OpenTool tool;
  const int seconds = quick ? 3 : 10;
  RunFor(200);
  const double before = ProcessCpuMs();
  RunFor(seconds * 1000);
  const double share = (ProcessCpuMs() - before) / (seconds * 10.0);
  Report(QStringLiteral("Idle CPU, port open, %1 s").arg(seconds), "< 1 % of a core",
         QString::number(share, 'f', 2) + " % of a core", share < 1.0);
}

void Latency() {
  OpenTool tool;
  auto *memo = Control<QPlainTextEdit>(&tool.form, "Memo2");
  const int count = quick ? 200 : 1000;
  std::vector<double> ms;
  QRandomGenerator rng(7);
  for (int i = 0; i < count; ++i) {
    if (i % 100 == 0)
      memo->clear();
    RunFor(int(rng.bounded(12))); // arrive at any point between two polls
    const QString line = QStringLiteral("ping %1\n").arg(i);
    const qint64 sent = MonotonicNs();
    tool.device.send(QStringLiteral("ping %1\r\n").arg(i).toLatin1());
    if (!RunUntil([&] { return memo->toPlainText().endsWith(line); }, 2000))
      break;
    ms.push_back(double(MonotonicNs() - sent) / 1e6);
  }
  const bool all = int(ms.size()) == count;
  const double p99 = ms.empty() ? 1e9 : Percentile(ms, 0.99);
  Report(QStringLiteral("Receive latency, %1 messages").arg(count), "p99 < 20 ms",
         QStringLiteral("median %1, p99 %2, max %3%4")
             .arg(Ms(Percentile(ms, 0.5)), Ms(p99), Ms(Percentile(ms, 1.0)),
                  all ? QString() : QStringLiteral(" (only %1 arrived)").arg(ms.size())),
         all && p99 < 20);
}

void Stream() {
  OpenTool tool;
  const int seconds = quick ? 10 : 60;
  const int rate = 3840; // 38400 baud, 10 bits a byte
  QByteArray bytes;
  for (int i = 0; bytes.size() < seconds * rate; ++i)
    bytes += i % 2
                 ? ToBig5(QStringLiteral("第%1行 嵐樺翔昱 測試顯示\r\n").arg(i, 5, 10, QChar('0')))
                 : QStringLiteral("ASCII line %1: 0123456789 abc\r\n")
                       .arg(i, 5, 10, QChar('0'))
                       .toLatin1();
  bytes.truncate(seconds * rate);

  std::atomic<qint64> sent{0};
  std::thread device([&] {
    const qint64 start = MonotonicNs();
    while (sent < bytes.size()) {
      const qint64 due =
          std::min<qint64>(bytes.size(), (MonotonicNs() - start) * rate / 1000000000);
      if (due > sent) {
        const ssize_t n =
            ::write(tool.device.masterFd(), bytes.constData() + sent, size_t(due - sent));
        if (n > 0)
          sent += n;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  RunFor(seconds * 1000);
  device.join();
  RunFor(500);
  const QString shown = MemoText(&tool.form);
  const QString expected = ReceiveText().feed(bytes);
  const bool same = shown == expected;
  Report(QStringLiteral("Stream at 38400 baud, %1 s, ASCII and Big5 lines").arg(seconds),
         "every byte shown",
         QStringLiteral("%1 bytes sent, %2 of %3 characters shown, %4")
             .arg(bytes.size())
             .arg(shown.size())
             .arg(expected.size())
             .arg(same ? QStringLiteral("identical") : QStringLiteral("DIFFERENT")),
         same);
}

void AppendCost() {
  OpenTool tool;
  tool.form.ReaderThread->Stop(); // polls run by hand here
  auto *memo = Control<QPlainTextEdit>(&tool.form, "Memo2");
  const QByteArray chunk = QByteArray(62, 'a') + "\r\n";
  auto measure = [&](qsizetype fill) {
    QString filler;
    const QString line = QString(63, QLatin1Char('m')) + QLatin1Char('\n');
    while (filler.size() < fill)
      filler += line;
    memo->setPlainText(filler);
    RunFor(100);
    std::vector<double> us;
    for (int i = 0; i < (quick ? 50 : 200); ++i) {
      tool.device.send(chunk);
      RunUntil([&] { return ComHandle->bytesWaiting() == chunk.size(); }, 1000);
      QElapsedTimer t;
      t.start();
      tool.form.ReadCom();
      us.push_back(double(t.nsecsElapsed()) / 1e3);
    }
    return Percentile(us, 0.5);
  };
  const double empty = measure(0);
  const double full = measure(10 * 1024 * 1024);
  const double ratio = full / empty;
  Report("Append a 64-byte chunk: empty memo vs 10 MB memo", "ratio < 2",
         QStringLiteral("%1 us vs %2 us, ratio %3")
             .arg(empty, 0, 'f', 1)
             .arg(full, 0, 'f', 1)
             .arg(ratio, 0, 'f', 2),
         ratio < 2);
}

void SweepCadence() {
  auto log = std::make_shared<WriteLog>();
  PtyDevice device;
  device.mapAs("COM1");
  TrdCom form(Recording(log));
  form.show();
  Click(&form, "Button4");
  QElapsedTimer clock;
  clock.start();
  Click(&form, "Button2");
  const double totalS = double(clock.elapsed()) / 1000;
  const QByteArray arrived = device.receiveExactly(222);
  std::vector<double> gaps;
  for (int i = 1; i < log->atNs.size(); ++i)
    gaps.push_back(double(log->atNs[i] - log->atNs[i - 1]) / 1e6);
  if (gaps.empty())
    gaps.push_back(0);
  const double low = Percentile(gaps, 0), mid = Percentile(gaps, 0.5), high = Percentile(gaps, 1);
  Report("Character sweep cadence (gaps between writes)",
         "none < 100 ms, median within 2 ms of 100 ms",
         QStringLiteral("%1 writes, %2 bytes arrived; min %3, median %4, max %5; total %6 s")
             .arg(log->calls.size())
             .arg(arrived.size())
             .arg(Ms(low), Ms(mid), Ms(high))
             .arg(totalS, 0, 'f', 2),
         log->calls.size() == 222 && arrived.size() == 222 && low >= 100 && qAbs(mid - 100) <= 2);
}

int StartupProbe(int argc, char *argv[]) {
  QApplication app(argc, argv);
  TrdCom form;
  form.show();
  QTimer::singleShot(0, [] {
    std::printf("shown-at %lld\n", static_cast<long long>(MonotonicNs()));
    std::fflush(stdout);
  });
  QTimer::singleShot(1000, [&app] {
    // VmHWM, not ru_maxrss: Linux carries the latter over from the parent across exec.
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n'))
      if (line.startsWith("VmHWM:"))
        std::printf("peak-kb %s\n", line.mid(6).trimmed().split(' ').value(0).constData());
    app.quit();
  });
  return app.exec();
}

void Startup(const QString &self) {
  std::vector<double> ms;
  std::vector<double> peakMb;
  for (int i = 0; i < 5; ++i) {
    QProcess probe;
    const qint64 started = MonotonicNs();
    probe.start(self, {"--startup-probe"});
    probe.waitForFinished(10000);
    for (const QByteArray &line : probe.readAllStandardOutput().split('\n')) {
      if (line.startsWith("shown-at "))
        ms.push_back(double(line.mid(9).toLongLong() - started) / 1e6);
      else if (line.startsWith("peak-kb "))
        peakMb.push_back(line.mid(8).toDouble() / 1024);
    }
  }
  if (ms.empty() || peakMb.empty()) {
    Report("Start-up", "< 0.5 s, < 80 MB", "probe failed", false);
    return;
  }
  const double t = Percentile(ms, 0.5), mem = Percentile(peakMb, 1);
  Report("Start-up to window shown (median of 5)", "< 0.5 s", Ms(t), t < 500);
  Report("Peak resident memory after start-up", "< 80 MB", QString::number(mem, 'f', 1) + " MB",
         mem < 80);
}
} // namespace

int main(int argc, char *argv[]) {
  if (argc > 1 && qstrcmp(argv[1], "--startup-probe") == 0)
    return StartupProbe(argc, argv);
  quick = argc > 1 && qstrcmp(argv[1], "--quick") == 0;
  QApplication app(argc, argv);
  IdleCpu();
  Latency();
  Stream();
  AppendCost();
  SweepCadence();
  Startup(QCoreApplication::applicationFilePath());

  std::printf("| Figure | Target | Measured | Met |\n|---|---|---|---|\n");
  for (const Row &r : rows)
    std::printf("| %s | %s | %s | %s |\n", qPrintable(r.figure), qPrintable(r.target),
                qPrintable(r.measured), r.met ? "yes" : "**no**");
  return 0;
}
