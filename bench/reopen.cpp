// A device that goes away and comes back under the same link: the tool's cost while it
// waits, and how soon after the return the port is open again.
#include "Bench.h"
#include "Groups.h"
#include "ProcessStats.h"

#include <QDir>
#include <QTemporaryDir>

namespace {
qsizetype Entries(const char *folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size();
}
} // namespace

void ReopenGroup() {
  QTemporaryDir dir;
  const QString link = dir.filePath(QStringLiteral("ttyUSB0"));
  std::unique_ptr<PtyDevice> device;
  auto plug = [&] {
    device = std::make_unique<PtyDevice>();
    QFile::link(device->path(), link);
  };
  auto pull = [&] {
    QFile::remove(link);
    device->hangUp();
  };
  plug();
  SessionOptions options;
  options.devices = {link, QString()};
  options.settingsFile = dir.filePath(QStringLiteral("settings.ini"));
  {
    TrdCom form(options);
    form.show();
    Click(&form, "Button4");
    RunFor(300);
    const qsizetype files = Entries("/proc/self/fd"), threads = Entries("/proc/self/task");

    // Waiting: the slow look and the folder watch, nothing more.
    pull();
    RunUntil([&] { return form.waitingForDevice(); }, 3000);
    RunFor(500);
    const int seconds = gQuick ? 5 : 20;
    const double before = ProcessCpuMs();
    RunFor(seconds * 1000);
    const double share = CoreShare(ProcessCpuMs() - before, seconds);
    const qsizetype waitingFiles = Entries("/proc/self/fd");
    const qsizetype waitingThreads = Entries("/proc/self/task");
    Report(QStringLiteral("Waiting for a lost device, %1 s").arg(seconds),
           "<= 0.05 % of a core; no file or thread more than before the loss",
           QStringLiteral("%1 % of a core; files %2 -> %3, threads %4 -> %5")
               .arg(share, 0, 'f', 3)
               .arg(files)
               .arg(waitingFiles)
               .arg(threads)
               .arg(waitingThreads),
           share <= 0.05 && waitingFiles <= files && waitingThreads <= threads);

    // Returns: from the link's appearing to the port open.
    std::vector<double> ms;
    const int returns = 20;
    for (int i = 0; i < returns; ++i) {
      if (i > 0) {
        pull();
        RunUntil([&] { return form.waitingForDevice(); }, 3000);
        RunFor(200 + i * 37 % 300);
      }
      const qint64 back = MonotonicNs();
      plug();
      if (RunUntil([] { return PortIsOpen(); }, 3000))
        ms.push_back(double(MonotonicNs() - back) / 1e6);
    }
    const double median = ms.empty() ? 1e9 : Percentile(ms, 0.5);
    const double worst = ms.empty() ? 1e9 : Percentile(ms, 1.0);
    Report(QStringLiteral("Reopened after the device returns, %1 returns").arg(returns),
           "median <= 0.25 s, worst <= 0.5 s",
           QStringLiteral("%1 reopened; median %2, worst %3")
               .arg(ms.size())
               .arg(Ms(median), Ms(worst)),
           int(ms.size()) == returns && median <= 250 && worst <= 500);
  }
}
