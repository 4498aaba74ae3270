// The line monitor's cost while text streams: hidden, hidden and recording to a file, and in
// view following the end, each against no monitor at all; and that --log keeps every byte.
#include "Bench.h"
#include "Groups.h"
#include "LineJournal.h"
#include "LineMonitor.h"
#include "ProcessStats.h"

#include <QFile>
#include <QTemporaryDir>

namespace {
enum class Monitor { None, Hidden, HiddenRecording, Shown };

// CPU share while the stream runs, with the monitor as given.
double StreamCpu(Monitor monitor, const QList<QByteArray> &lines, int seconds,
                 const QString &logPath) {
  OpenTool tool;
  switch (monitor) {
  case Monitor::None:
    QObject::disconnect(tool.form.session()->journal(), nullptr, tool.form.lineMonitor(), nullptr);
    break;
  case Monitor::Hidden:
    break;
  case Monitor::HiddenRecording:
    tool.form.recordLineTo(logPath);
    break;
  case Monitor::Shown:
    tool.form.lineMonitor()->show();
    break;
  }
  const double cpuBefore = ProcessCpuMs();
  PacedDevice device({&tool.device}, kBytesPerSecond38400,
                     [&lines](qint64 n) { return lines.value(n); });
  RunFor(seconds * 1000);
  device.finish();
  RunFor(300);
  tool.form.session()->journal()->stopRecording();
  return CoreShare(ProcessCpuMs() - cpuBefore, seconds);
}

// The bytes of every RX row of a log, in order, and how many backlogs it says were discarded.
std::pair<QByteArray, int> ReceivedInLog(const QString &path) {
  QFile log(path);
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
  return {received, discards};
}
} // namespace

void MonitorGroup() {
  // The four take turns, round after round, so that the machine's drift over a minute
  // falls on each alike; each figure is the mean of its rounds.
  const int seconds = 10, rounds = gQuick ? 1 : 3;
  const QList<QByteArray> lines = StreamLines(seconds);
  const QByteArray bytes = lines.join();
  QTemporaryDir dir;
  double none = 0, hidden = 0, recording = 0, shown = 0;
  int same = 0, discards = 0;
  for (int round = 0; round < rounds; ++round) {
    const QString logPath = dir.filePath(QStringLiteral("line%1.log").arg(round));
    none += StreamCpu(Monitor::None, lines, seconds, logPath) / rounds;
    hidden += StreamCpu(Monitor::Hidden, lines, seconds, logPath) / rounds;
    recording += StreamCpu(Monitor::HiddenRecording, lines, seconds, logPath) / rounds;
    shown += StreamCpu(Monitor::Shown, lines, seconds, logPath) / rounds;
    const auto [received, discarded] = ReceivedInLog(logPath);
    same += received == bytes;
    discards += discarded;
  }
  const QString turns = QStringLiteral(" (%1 rounds of %2 s in turns)").arg(rounds).arg(seconds);
  Report("Line monitor hidden, 38400-baud text", "CPU within 2 % of none",
         QStringLiteral("%1 % of a core vs %2 % without the monitor")
                 .arg(hidden, 0, 'f', 2)
                 .arg(none, 0, 'f', 2) +
             turns,
         hidden <= none * 1.02);
  Report("Line monitor hidden, recording to a file, 38400-baud text", "CPU within 10 % of none",
         QStringLiteral("%1 % of a core vs %2 % without the monitor")
                 .arg(recording, 0, 'f', 2)
                 .arg(none, 0, 'f', 2) +
             turns,
         recording <= none * 1.1);
  Report("Line monitor in view, following the end", "its CPU <= the receive box's",
         QStringLiteral("%1 % of a core in all, %2 % without it")
                 .arg(shown, 0, 'f', 2)
                 .arg(none, 0, 'f', 2) +
             turns,
         shown - none <= none);
  Report("--log while 38400-baud text streams", "every byte in the file, in order",
         QStringLiteral("%1 logs of %2 bytes: %3 identical, %4 backlogs discarded")
             .arg(rounds)
             .arg(bytes.size())
             .arg(same)
             .arg(discards),
         same == rounds);
}
