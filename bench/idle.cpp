// An open port with nothing on the line costs next to nothing.
#include "Bench.h"
#include "Groups.h"
#include "ProcessStats.h"

void IdleGroup() {
  OpenTool tool;
  const int seconds = gQuick ? 3 : 10;
  RunFor(200);
  const double before = ProcessCpuMs();
  RunFor(seconds * 1000);
  const double share = CoreShare(ProcessCpuMs() - before, seconds);
  Report(QStringLiteral("Idle CPU, port open, %1 s").arg(seconds), "<= 0.05 % of a core",
         QString::number(share, 'f', 3) + " % of a core", share <= 0.05);
}
