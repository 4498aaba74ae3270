// Measures the tool as a bench operator meets it: the real window, offscreen, against real
// pseudo-terminals. Prints one Markdown table. `glow_bench --quick` shortens every run.
#include "Harness.h"
#include "LineMonitor.h"
#include "LineRecorder.h"
#include "Platform.h"
#include "ProcessStats.h"
#include "PtyDevice.h"
#include "ReceiveMemo.h"
#include "ReceiveText.h"
#include "RecordingPort.h"
#include "Startup.h"
#include "Unit2.h"
#include "VfdCommands.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
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
  Report(QStringLiteral("Idle CPU, port open, %1 s").arg(seconds), "<= 0.05 % of a core",
         QString::number(share, 'f', 3) + " % of a core", share <= 0.05);
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
    // The line has been quiet for a while; the text arrives at any moment after that.
    RunFor(60 + int(rng.bounded(12)));
    const QString line = QStringLiteral("ping %1\n").arg(i);
    const qint64 sent = MonotonicNs();
    tool.device.send(QStringLiteral("ping %1\r\n").arg(i).toLatin1());
    if (!RunUntil([&] { return memo->toPlainText().endsWith(line); }, 2000))
      break;
    ms.push_back(double(MonotonicNs() - sent) / 1e6);
  }
  const bool all = int(ms.size()) == count;
  const double p99 = ms.empty() ? 1e9 : Percentile(ms, 0.99);
  Report(QStringLiteral("First text after a quiet line, %1 messages").arg(count), "p99 < 20 ms",
         QStringLiteral("median %1, p99 %2, max %3%4")
             .arg(Ms(Percentile(ms, 0.5)), Ms(p99), Ms(Percentile(ms, 1.0)),
                  all ? QString() : QStringLiteral(" (only %1 arrived)").arg(ms.size())),
         all && p99 < 20);
}

// Text as a device sends it at 38400 baud: ASCII and Big5 lines by turns.
QByteArray StreamText(int seconds) {
  const int rate = 3840; // 38400 baud, 10 bits a byte
  QByteArray bytes;
  for (int i = 0; bytes.size() < seconds * rate; ++i)
    bytes += i % 2
                 ? ToBig5(QStringLiteral("第%1行 嵐樺翔昱 測試顯示\r\n").arg(i, 5, 10, QChar('0')))
                 : QStringLiteral("ASCII line %1: 0123456789 abc\r\n")
                       .arg(i, 5, 10, QChar('0'))
                       .toLatin1();
  bytes.truncate(seconds * rate);
  return bytes;
}

// Sends the bytes from the device at 38400 baud on a thread of its own.
std::thread Feed(const PtyDevice &device, const QByteArray &bytes, std::atomic<qint64> &sent) {
  return std::thread([&device, &bytes, &sent] {
    const int rate = 3840;
    const qint64 start = MonotonicNs();
    while (sent < bytes.size()) {
      const qint64 due =
          std::min<qint64>(bytes.size(), (MonotonicNs() - start) * rate / 1000000000);
      if (due > sent) {
        const ssize_t n = ::write(device.masterFd(), bytes.constData() + sent, size_t(due - sent));
        if (n > 0)
          sent += n;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
}

void Stream() {
  OpenTool tool;
  const int seconds = quick ? 10 : 60;
  const QByteArray bytes = StreamText(seconds);
  std::atomic<qint64> sent{0};
  std::thread device = Feed(tool.device, bytes, sent);
  // Memo updates in each second of the stream.
  std::vector<int> perSecond(size_t(seconds) + 1, 0);
  QElapsedTimer clock;
  clock.start();
  auto *memo = Control<QPlainTextEdit>(&tool.form, "Memo2");
  const auto counting = QObject::connect(memo->document(), &QTextDocument::contentsChanged, [&] {
    const qint64 second = clock.elapsed() / 1000;
    if (second < seconds)
      ++perSecond[size_t(second)];
  });
  const double cpuBefore = ProcessCpuMs();
  RunFor(seconds * 1000);
  const double cpuShare = (ProcessCpuMs() - cpuBefore) / (seconds * 10.0);
  device.join();
  RunFor(500);
  QObject::disconnect(counting);
  perSecond.resize(size_t(seconds));
  const int fewest = *std::min_element(perSecond.begin() + 1, perSecond.end());
  double all = 0;
  for (int n : perSecond)
    all += n;
  Report("Memo updates while text streams", ">= 25 a second",
         QStringLiteral("%1 a second on average, %2 in the slowest second; CPU %3 % of a core "
                        "(offscreen)")
             .arg(all / seconds, 0, 'f', 1)
             .arg(fewest)
             .arg(cpuShare, 0, 'f', 2),
         fewest >= 25);
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

// The line monitor's cost while text streams: none at all, hidden and recording to a file,
// and in view following the end.
void MonitorCost() {
  const int seconds = quick ? 10 : 30;
  const QByteArray bytes = StreamText(seconds);
  QTemporaryDir dir;
  const QString logPath = dir.filePath("line.log");
  auto run = [&](int how) {
    OpenTool tool;
    if (how == 0)
      QObject::disconnect(&TLineRecorder::instance(), nullptr, tool.form.lineMonitor(), nullptr);
    if (how == 1)
      tool.form.recordLineTo(logPath);
    if (how == 2)
      tool.form.lineMonitor()->show();
    std::atomic<qint64> sent{0};
    const double cpuBefore = ProcessCpuMs();
    std::thread device = Feed(tool.device, bytes, sent);
    RunFor(seconds * 1000);
    device.join();
    RunFor(300);
    TLineRecorder::instance().stopRecording();
    return (ProcessCpuMs() - cpuBefore) / (seconds * 10.0);
  };
  const double none = run(0), hidden = run(1), shown = run(2);
  Report("Line monitor hidden, recording to a file, 38400-baud text", "CPU within 10 % of none",
         QStringLiteral("%1 % of a core vs %2 % without the monitor")
             .arg(hidden, 0, 'f', 2)
             .arg(none, 0, 'f', 2),
         hidden <= none * 1.1);
  Report("Line monitor in view, following the end", "its CPU <= the receive box's",
         QStringLiteral("%1 % of a core in all, %2 % without it")
             .arg(shown, 0, 'f', 2)
             .arg(none, 0, 'f', 2),
         shown - none <= none);
  // The file holds every byte received, in order.
  QFile log(logPath);
  log.open(QIODevice::ReadOnly | QIODevice::Text);
  QByteArray received;
  bool inRx = false;
  int line = 0, discards = 0;
  for (const QByteArray &l : log.readAll().split('\n')) {
    discards += l.contains("backlog discarded");
    if (!l.startsWith("    ")) {
      inRx = l.mid(13).startsWith("RX ");
      line = 0;
    } else if (inRx && line++ % 2 == 0) {
      received += QByteArray::fromHex(l.trimmed());
    }
  }
  Report("--log while 38400-baud text streams", "every byte in the file, in order",
         QStringLiteral("%1 of %2 bytes, %3, %4 backlogs discarded")
             .arg(received.size())
             .arg(bytes.size())
             .arg(received == bytes ? QStringLiteral("identical") : QStringLiteral("DIFFERENT"))
             .arg(discards),
         received == bytes);
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

double ResidentMb() {
  QFile status(QStringLiteral("/proc/self/status"));
  status.open(QIODevice::ReadOnly);
  for (const QByteArray &line : status.readAll().split('\n'))
    if (line.startsWith("VmRSS:"))
      return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
  return 0;
}

// The numbered line the soak sends as line n: 76 bytes with CR LF.
QByteArray SoakLine(qint64 n) {
  return QStringLiteral("line %1: ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz 0123\r\n")
      .arg(n, 8, 10, QChar('0'))
      .toLatin1();
}

// Numbered lines at about 38 KB/s for a long time; memory per character shown, CPU per
// megabyte at the start and the end, and every line checked afterwards.
void Soak() {
  OpenTool tool;
  RunFor(300);
  const qint64 total = quick ? 2000000 : 10500000;
  const int rate = 38000;
  const double rssBefore = ResidentMb();
  std::atomic<qint64> sent{0}, lines{0};
  std::atomic<bool> stop{false};
  std::thread device([&] {
    // Paced line by line; a device that fell behind does not catch up in a burst.
    qint64 start = MonotonicNs();
    while (sent < total && !stop) {
      const qint64 due = (MonotonicNs() - start) * rate / 1000000000;
      if (due - sent > rate / 50)
        start = MonotonicNs() - sent * 1000000000 / rate;
      while (sent < due && sent < total) {
        const QByteArray line = SoakLine(lines);
        qsizetype done = 0;
        while (done < line.size() && !stop) {
          const ssize_t n =
              ::write(tool.device.masterFd(), line.constData() + done, size_t(line.size() - done));
          if (n > 0)
            done += n;
          else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        sent += line.size();
        ++lines;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  // CPU for the first and the last two megabytes sent. The loop sleeps in the event loop, so
  // the figures are the tool's (and the device thread's), not the bench's.
  const qint64 window = quick ? 500000 : 2000000;
  double cpuStart = 0, cpuEnd = 0;
  double mark = ProcessCpuMs();
  bool inLast = false;
  QElapsedTimer clock;
  clock.start();
  qint64 longestStall = 0;
  while (sent < total && clock.elapsed() < total / rate * 1000 * 2) {
    const qint64 before = clock.elapsed();
    RunFor(50);
    longestStall = std::max(longestStall, clock.elapsed() - before - 50);
    if (cpuStart == 0 && sent >= window)
      cpuStart = ProcessCpuMs() - mark;
    if (!inLast && sent >= total - window) {
      inLast = true;
      mark = ProcessCpuMs();
    }
  }
  cpuEnd = ProcessCpuMs() - mark;
  RunFor(500);
  stop = true;
  device.join();
  const double rssAfter = ResidentMb();

  const QString shown = MemoText(&tool.form);
  const QStringList got = shown.split('\n');
  // Lines are matched in order, so one lost stretch counts once per lost line.
  qint64 missing = 0;
  qsizetype at = 0;
  for (qint64 n = 0; n < lines; ++n) {
    const QString want = QString::fromLatin1(SoakLine(n).chopped(2));
    if (got.value(at) == want)
      ++at;
    else
      ++missing;
  }
  const double perChar = (rssAfter - rssBefore) * 1024 * 1024 / double(shown.size());
  Report(QStringLiteral("Soak: %1 MB of numbered lines at 38 KB/s, every line checked")
             .arg(double(total) / 1e6, 0, 'f', 1),
         "<= 3 bytes of resident memory per character shown, all lines",
         QStringLiteral("%1 lines, %2 missing or wrong; resident memory %3 -> %4 MB, %5 bytes "
                        "a character; longest stall of the window %6 ms")
             .arg(lines.load())
             .arg(missing)
             .arg(rssBefore, 0, 'f', 1)
             .arg(rssAfter, 0, 'f', 1)
             .arg(perChar, 0, 'f', 2)
             .arg(longestStall),
         missing == 0 && perChar <= 3);
  const double growth = cpuEnd / cpuStart;
  Report(QStringLiteral("Soak: CPU for the last %1 MB vs the first").arg(double(window) / 1e6),
         "within 10 %",
         QStringLiteral("%1 ms vs %2 ms, ratio %3")
             .arg(cpuEnd, 0, 'f', 0)
             .arg(cpuStart, 0, 'f', 0)
             .arg(growth, 0, 'f', 2),
         growth <= 1.10 && growth >= 0.9);
}

// A memo holding 100 MB of text: Clear and typing into the send field stay prompt.
void LargeMemo() {
  OpenTool tool;
  auto *memo = Control<TReceiveMemo>(&tool.form, "Memo2");
  const qint64 total = quick ? 20000000 : 100000000;
  QString chunk;
  for (qint64 n = 0; chunk.size() < 65536; ++n)
    chunk += QString::fromLatin1(SoakLine(n).chopped(2)) + QLatin1Char('\n');
  for (qint64 filled = 0; filled < total; filled += chunk.size()) {
    memo->appendText(chunk);
    QCoreApplication::processEvents();
  }
  RunFor(200);
  auto *field = Control<QPlainTextEdit>(&tool.form, "Memo1");
  field->setFocus();
  std::vector<double> keyMs;
  for (int i = 0; i < 20; ++i) {
    QElapsedTimer t;
    t.start();
    QTest::keyClick(field, Qt::Key_A);
    field->viewport()->repaint();
    keyMs.push_back(double(t.nsecsElapsed()) / 1e6);
    RunFor(20);
  }
  QElapsedTimer t;
  t.start();
  Click(&tool.form, "Button7");
  memo->viewport()->repaint();
  const double clearMs = double(t.nsecsElapsed()) / 1e6;
  const bool cleared = memo->text().isEmpty();
  const double keyMax = Percentile(keyMs, 1.0);
  Report(QStringLiteral("Memo holding %1 MB: a key typed into the send field shows")
             .arg(total / 1000000),
         "< 50 ms", QStringLiteral("median %1, max %2").arg(Ms(Percentile(keyMs, 0.5)), Ms(keyMax)),
         keyMax < 50);
  Report(QStringLiteral("Memo holding %1 MB: Clear takes effect").arg(total / 1000000), "< 200 ms",
         Ms(clearMs) + (cleared ? QString() : QStringLiteral(" (NOT cleared)")),
         cleared && clearMs < 200);
}

// CPU the process and all its threads have used, in ms (scheduler time, ns resolution).
double TaskCpuMs(qint64 pid) {
  double ms = 0;
  const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
  for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    QFile stat(tasks.filePath(task + QStringLiteral("/schedstat")));
    if (stat.open(QIODevice::ReadOnly))
      ms += stat.readAll().split(' ').value(0).toDouble() / 1e6;
  }
  return ms;
}

qint64 ChildOf(qint64 parent) {
  for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
    if (!stat.open(QIODevice::ReadOnly))
      continue;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.value(1).toLongLong() == parent)
      return entry.toLongLong();
  }
  return 0;
}

// A virtual X server for one client alone, so that its CPU is the cost of drawing that client.
struct XServer {
  QProcess process;
  QString display;
  bool start() {
    process.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    if (!process.waitForStarted(5000) || !process.waitForReadyRead(10000))
      return false;
    display = ":" + QString::fromLatin1(process.readLine()).trimmed();
    return display.size() > 1;
  }
  QProcessEnvironment environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    env.insert("QT_QPA_PLATFORM", "xcb");
    return env;
  }
  ~XServer() {
    process.terminate();
    process.waitForFinished(3000);
  }
};

// CPU shares, in % of a core, of a client and of its X server over one stretch of time.
struct Share {
  double client = 0, server = 0;
  double total() const { return client + server; }
};

// The tool and the terminal an operator would use instead (picocom in xterm), each on an X
// server of its own, fed the same bytes at the same moments. xterm leaves its drawing to the
// X server, so each side counts its client and its server.
void SideBySide() {
  const QStringList needed{"Xvfb", "xterm", "picocom", "xdotool"};
  for (const QString &program : needed)
    if (QStandardPaths::findExecutable(program).isEmpty()) {
      Report("Side by side with picocom in xterm", "-", "skipped: needs " + needed.join(", "),
             false);
      return;
    }
  XServer oursX, theirsX;
  if (!oursX.start() || !theirsX.start()) {
    Report("Side by side with picocom in xterm", "-", "could not start Xvfb", false);
    return;
  }
  PtyDevice ours, theirs;
  QProcess tool, term;
  tool.setProcessEnvironment(oursX.environment());
  term.setProcessEnvironment(theirsX.environment());
  tool.start(QStringLiteral(GLOW_PANEL_BINARY), {"--com1", ours.path()});
  term.start("xterm", {"-geometry", "80x24+0+0", "-e", "picocom", "-q", "-b", "38400", "--noreset",
                       theirs.path()});
  auto cleanup = [&] {
    tool.kill();
    term.kill();
    tool.waitForFinished(2000);
    term.waitForFinished(2000);
  };
  RunFor(2000);
  // "開啟 Com Port" stands at a fixed place on the screen.
  QProcess click;
  click.setProcessEnvironment(oursX.environment());
  click.start("xdotool", {"mousemove", "296", "266", "click", "1"});
  click.waitForFinished(5000);
  if (!RunUntil([&] { return !ours.slaveClosed() && !theirs.slaveClosed(); }, 5000)) {
    Report("Side by side with picocom in xterm", "-", "could not open both ports", false);
    cleanup();
    return;
  }
  RunFor(1000);
  const qint64 picocom = ChildOf(term.processId());
  auto oursMs = [&] {
    return Share{TaskCpuMs(tool.processId()), TaskCpuMs(oursX.process.processId())};
  };
  auto theirsMs = [&] {
    return Share{TaskCpuMs(term.processId()) + TaskCpuMs(picocom),
                 TaskCpuMs(theirsX.process.processId())};
  };
  // Runs for some seconds and gives both sides' shares over them.
  auto measure = [&](int seconds) {
    const Share o0 = oursMs(), t0 = theirsMs();
    RunFor(seconds * 1000);
    const Share o1 = oursMs(), t1 = theirsMs();
    auto share = [seconds](double before, double after) {
      return (after - before) / (seconds * 10.0);
    };
    return std::pair{Share{share(o0.client, o1.client), share(o0.server, o1.server)},
                     Share{share(t0.client, t1.client), share(t0.server, t1.server)}};
  };
  auto describe = [](const Share &o, const Share &t, int digits) {
    return QStringLiteral("glow-panel %1 % + its X server %2 % = %3 %; peer %4 % + its X server "
                          "%5 % = %6 %")
        .arg(o.client, 0, 'f', digits)
        .arg(o.server, 0, 'f', digits)
        .arg(o.total(), 0, 'f', digits)
        .arg(t.client, 0, 'f', digits)
        .arg(t.server, 0, 'f', digits)
        .arg(t.total(), 0, 'f', digits);
  };

  const int idleS = quick ? 5 : 20;
  const auto [idleOurs, idlePeer] = measure(idleS);
  Report(QStringLiteral("Idle, port open, %1 s, side by side").arg(idleS),
         "<= 0.05 % of a core, with its X server (peer: picocom in xterm)",
         describe(idleOurs, idlePeer, 3), idleOurs.total() <= 0.05);

  const int streamS = quick ? 10 : 30;
  std::atomic<bool> done{false};
  std::thread device([&] {
    const qint64 start = MonotonicNs();
    const qint64 step = 76LL * 1000000000 / 3840; // one 76-byte line at 38400 baud
    for (qint64 n = 0; !done; ++n) {
      while (MonotonicNs() - start < n * step && !done)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      const QByteArray line = SoakLine(n);
      for (const PtyDevice *pty : {&ours, &theirs})
        if (::write(pty->masterFd(), line.constData(), size_t(line.size())) < 0)
          continue;
    }
  });
  RunFor(1000);
  const auto [streamOurs, streamPeer] = measure(streamS);
  done = true;
  device.join();
  const double ratio = streamOurs.total() / streamPeer.total();
  Report(QStringLiteral("38400-baud text, 76-byte lines, %1 s, side by side").arg(streamS),
         "CPU with its X server, ratio to the peer's <= 1.0",
         describe(streamOurs, streamPeer, 2) + QStringLiteral("; ratio %1").arg(ratio, 0, 'f', 2),
         ratio <= 1.0);
  cleanup();
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
  // glow_bench [--quick] [--only NAME...]: NAME is one of the groups listed below.
  QStringList only;
  for (int i = 1; i < argc; ++i) {
    if (qstrcmp(argv[i], "--quick") == 0)
      quick = true;
    else if (qstrcmp(argv[i], "--only") != 0)
      only << QString::fromLocal8Bit(argv[i]);
  }
  PrepareForLongRun();
  QApplication app(argc, argv);
  const std::vector<std::pair<QString, std::function<void()>>> groups{
      {"idle", IdleCpu},
      {"latency", Latency},
      {"stream", Stream},
      {"append", AppendCost},
      {"monitor", MonitorCost},
      {"sweep", SweepCadence},
      {"soak", Soak},
      {"large", LargeMemo},
      {"side", SideBySide},
      {"startup", [] { Startup(QCoreApplication::applicationFilePath()); }},
  };
  for (const auto &[name, run] : groups)
    if (only.isEmpty() || only.contains(name))
      run();

  std::printf("| Figure | Target | Measured | Met |\n|---|---|---|---|\n");
  for (const Row &r : rows)
    std::printf("| %s | %s | %s | %s |\n", qPrintable(r.figure), qPrintable(r.target),
                qPrintable(r.measured), r.met ? "yes" : "**no**");
  return 0;
}
