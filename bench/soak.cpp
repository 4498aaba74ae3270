// Numbered lines at about 38 KB/s for a long time: memory per character shown, CPU at the
// start and the end, and every line checked afterwards.
#include "Bench.h"
#include "Groups.h"
#include "LineMonitor.h"
#include "PortSession.h"
#include "ProcessStats.h"

#include <QElapsedTimer>

namespace {
// The soak with the line monitor closed, or open and following: the monitor then holds its
// full kKeptLines within a couple of megabytes, and its budget is on top of the memo's.
void Soak(bool monitorShown) {
  OpenTool tool;
  if (monitorShown)
    tool.form.lineMonitor()->show();
  RunFor(300);
  // Lines that go missing are most often a backlog the poll found over its limit.
  int discards = 0;
  QObject::connect(tool.form.session(), &TSession::discarded, [&discards] { ++discards; });
  const qint64 total = monitorShown ? 3000000 : gQuick ? 2000000 : 10500000;
  const int rate = 38000;
  const double rssBefore = double(ResidentKb()) / 1024;
  const qint64 lineCount = (total + NumberedLine(0).size() - 1) / NumberedLine(0).size();
  PacedDevice device({&tool.device}, rate, [lineCount](qint64 n) {
    return n < lineCount ? NumberedLine(n) : QByteArray();
  });
  // CPU for the first and the last two megabytes sent. The loop sleeps in the event loop, so
  // the figures are the tool's (and the device thread's), not the bench's.
  const qint64 window = gQuick ? 500000 : 2000000;
  double cpuStart = 0, cpuEnd = 0;
  double mark = ProcessCpuMs();
  bool inLast = false;
  QElapsedTimer clock;
  clock.start();
  qint64 longestStall = 0;
  while (device.sent() < total && clock.elapsed() < total / rate * 1000 * 2) {
    const qint64 before = clock.elapsed();
    RunFor(50);
    longestStall = std::max(longestStall, clock.elapsed() - before - 50);
    if (cpuStart == 0 && device.sent() >= window)
      cpuStart = ProcessCpuMs() - mark;
    if (!inLast && device.sent() >= total - window) {
      inLast = true;
      mark = ProcessCpuMs();
    }
  }
  cpuEnd = ProcessCpuMs() - mark;
  RunFor(500);
  device.stop();
  const double rssAfter = double(ResidentKb()) / 1024;

  const QString shown = MemoText(&tool.form);
  const QStringList got = shown.split('\n');
  // Lines are matched in order, so one lost stretch counts once per lost line.
  qint64 missing = 0;
  qsizetype at = 0;
  for (qint64 n = 0; n < device.pieces(); ++n) {
    const QString want = QString::fromLatin1(NumberedLine(n).chopped(2));
    if (got.value(at) == want)
      ++at;
    else
      ++missing;
  }
  const double perChar = (rssAfter - rssBefore) * 1024 * 1024 / double(shown.size());
  if (monitorShown) {
    constexpr double kMonitorBudgetMb = 30;
    const double monitorMb = rssAfter - rssBefore - 1.2 * double(shown.size()) / 1024 / 1024;
    Report(QStringLiteral("Soak: %1 MB with the line monitor open and following")
               .arg(double(total) / 1e6, 0, 'f', 1),
           "all lines; memory over the memo's 1.2 bytes a character within the monitor's 30 MB",
           QStringLiteral("%1 lines, %2 missing or wrong; resident memory %3 -> %4 MB, %5 MB "
                          "over the memo's budget; longest stall %6 ms; %7 backlogs discarded")
               .arg(device.pieces())
               .arg(missing)
               .arg(rssBefore, 0, 'f', 1)
               .arg(rssAfter, 0, 'f', 1)
               .arg(monitorMb, 0, 'f', 1)
               .arg(longestStall)
               .arg(discards),
           missing == 0 && monitorMb <= kMonitorBudgetMb);
    return;
  }
  Report(QStringLiteral("Soak: %1 MB of numbered lines at 38 KB/s, every line checked")
             .arg(double(total) / 1e6, 0, 'f', 1),
         "<= 1.2 bytes of resident memory per character shown, all lines",
         QStringLiteral("%1 lines, %2 missing or wrong; resident memory %3 -> %4 MB, %5 bytes "
                        "a character; longest stall of the window %6 ms; %7 backlogs discarded")
             .arg(device.pieces())
             .arg(missing)
             .arg(rssBefore, 0, 'f', 1)
             .arg(rssAfter, 0, 'f', 1)
             .arg(perChar, 0, 'f', 2)
             .arg(longestStall)
             .arg(discards),
         missing == 0 && perChar <= 1.2);
  const double growth = cpuEnd / cpuStart;
  Report(QStringLiteral("Soak: CPU for the last %1 MB vs the first").arg(double(window) / 1e6),
         "within 10 %",
         QStringLiteral("%1 ms vs %2 ms, ratio %3")
             .arg(cpuEnd, 0, 'f', 0)
             .arg(cpuStart, 0, 'f', 0)
             .arg(growth, 0, 'f', 2),
         growth <= 1.10 && growth >= 0.9);
}
} // namespace

void SoakGroup() { Soak(false); }
void MonitorSoakGroup() { Soak(true); }
