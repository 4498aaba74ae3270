// The line monitor's cost while text streams: hidden, hidden and recording to a file, and in
// view following the end, each against no monitor at all; and that --log keeps every byte.
#include "Bench.h"
#include "Groups.h"
#include "LineMonitor.h"
#include "LineRecorder.h"
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
    QObject::disconnect(tool.form.session()->recorder(), nullptr, tool.form.lineMonitor(), nullptr);
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
  tool.form.session()->recorder()->stopRecording();
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
  const int seconds = gQuick ? 10 : 30;
  const QList<QByteArray> lines = StreamLines(seconds);
  QTemporaryDir dir;
  const QString logPath = dir.filePath("line.log");
  const double none = StreamCpu(Monitor::None, lines, seconds, logPath);
  const double hidden = StreamCpu(Monitor::Hidden, lines, seconds, logPath);
  const double recording = StreamCpu(Monitor::HiddenRecording, lines, seconds, logPath);
  const double shown = StreamCpu(Monitor::Shown, lines, seconds, logPath);
  Report("Line monitor hidden, 38400-baud text", "CPU within 2 % of none",
         QStringLiteral("%1 % of a core vs %2 % without the monitor")
             .arg(hidden, 0, 'f', 2)
             .arg(none, 0, 'f', 2),
         hidden <= none * 1.02);
  Report("Line monitor hidden, recording to a file, 38400-baud text", "CPU within 10 % of none",
         QStringLiteral("%1 % of a core vs %2 % without the monitor")
             .arg(recording, 0, 'f', 2)
             .arg(none, 0, 'f', 2),
         recording <= none * 1.1);
  Report("Line monitor in view, following the end", "its CPU <= the receive box's",
         QStringLiteral("%1 % of a core in all, %2 % without it")
             .arg(shown, 0, 'f', 2)
             .arg(none, 0, 'f', 2),
         shown - none <= none);
  const QByteArray bytes = lines.join();
  const auto [received, discards] = ReceivedInLog(logPath);
  Report("--log while 38400-baud text streams", "every byte in the file, in order",
         QStringLiteral("%1 of %2 bytes, %3, %4 backlogs discarded")
             .arg(received.size())
             .arg(bytes.size())
             .arg(received == bytes ? QStringLiteral("identical") : QStringLiteral("DIFFERENT"))
             .arg(discards),
         received == bytes);
}
