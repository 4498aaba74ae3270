// How soon the first text after a quiet line is shown.
#include "Bench.h"
#include "Groups.h"
#include "ProcessStats.h"

#include <QRandomGenerator>

void LatencyGroup() {
  OpenTool tool;
  auto *memo = Control<TReceiveMemo>(&tool.form, "Memo2");
  const int count = gQuick ? 200 : 1000;
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
    if (!RunUntil([&] { return memo->text().endsWith(line); }, 2000))
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
