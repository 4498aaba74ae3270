// Start-up: the time until the window is shown and the memory it takes, each in a process
// of its own.
#include "Bench.h"
#include "Groups.h"
#include "ProcessStats.h"

#include <QApplication>
#include <QProcess>
#include <QTimer>

#include <cstdio>

int StartupProbe(int argc, char *argv[]) {
  QApplication app(argc, argv);
  TrdCom form;
  form.show();
  QTimer::singleShot(0, [] {
    std::printf("shown-at %lld\n", static_cast<long long>(MonotonicNs()));
    std::fflush(stdout);
  });
  QTimer::singleShot(1000, [&app] {
    std::printf("peak-kb %lld\n", static_cast<long long>(PeakResidentKb()));
    app.quit();
  });
  return app.exec();
}

void StartupGroup(const QString &self) {
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
