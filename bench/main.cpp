// Measures the tool as a bench operator meets it: the real window, offscreen, against real
// pseudo-terminals. Prints one Markdown table.
//   glow_bench [--quick] [--only NAME...]   NAME: a group in the table below
//   glow_bench --make-store FILE RUNS [DAYS] a store of made-up runs over the last DAYS days
//                                            (30), to try --yield and --history on
#include "Bench.h"
#include "Groups.h"
#include "Platform.h"

#include <QApplication>

int main(int argc, char *argv[]) {
  if (argc > 1 && qstrcmp(argv[1], "--startup-probe") == 0)
    return StartupProbe(argc, argv);
  if (argc > 1 && qstrcmp(argv[1], "--usage-probe") == 0)
    return UsageProbe(argc, argv);
  if (argc > 3 && qstrcmp(argv[1], "--make-store") == 0)
    return MakeStore(argc, argv);
  QStringList only;
  for (int i = 1; i < argc; ++i) {
    if (qstrcmp(argv[i], "--quick") == 0)
      gQuick = true;
    else if (qstrcmp(argv[i], "--only") != 0)
      only << QString::fromLocal8Bit(argv[i]);
  }
  PrepareForLongRun();
  QApplication app(argc, argv);
  const std::vector<std::pair<QString, std::function<void()>>> groups{
      {"idle", IdleGroup},
      {"latency", LatencyGroup},
      {"stream", StreamGroup},
      {"append", AppendGroup},
      {"monitor", MonitorGroup},
      {"sweep", SweepGroup},
      {"soak", SoakGroup},
      {"monitor-soak", MonitorSoakGroup},
      {"large", LargeMemoGroup},
      {"memory", MemoryGroup},
      {"sequence", SequenceGroup},
      {"measure", MeasureGroup},
      {"reopen", ReopenGroup},
      {"drills", DrillsGroup},
      {"rack", RackGroup},
      {"board", BoardGroup},
      {"results", ResultsGroup},
      {"side", SideBySideGroup},
      {"startup", [] { StartupGroup(QCoreApplication::applicationFilePath()); }},
  };
  for (const auto &[name, run] : groups)
    if (only.isEmpty() || only.contains(name))
      run();
  PrintReport();
  return 0;
}
