// The tool and picocom in xterm side by side, each on an X server of its own, idle and while
// the same 38400-baud text streams to both.
#include "Bench.h"
#include "Groups.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace {
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

} // namespace

// The tool and the terminal an operator would use instead (picocom in xterm), each on an X
// server of its own, fed the same bytes at the same moments. xterm leaves its drawing to the
// X server, so each side counts its client and its server.
void SideBySideGroup() {
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
      return CoreShare(after - before, seconds);
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

  const int idleS = gQuick ? 5 : 20;
  const auto [idleOurs, idlePeer] = measure(idleS);
  Report(QStringLiteral("Idle, port open, %1 s, side by side").arg(idleS),
         "<= 0.05 % of a core, with its X server (peer: picocom in xterm)",
         describe(idleOurs, idlePeer, 3), idleOurs.total() <= 0.05);

  const int streamS = gQuick ? 10 : 30;
  PacedDevice device({&ours, &theirs}, kBytesPerSecond38400, NumberedLine);
  RunFor(1000);
  const auto [streamOurs, streamPeer] = measure(streamS);
  device.stop();
  const double ratio = streamOurs.total() / streamPeer.total();
  Report(QStringLiteral("38400-baud text, 75-byte lines, %1 s, side by side").arg(streamS),
         "CPU with its X server, ratio to the peer's <= 1.0",
         describe(streamOurs, streamPeer, 2) + QStringLiteral("; ratio %1").arg(ratio, 0, 'f', 2),
         ratio <= 1.0);
  cleanup();
}
