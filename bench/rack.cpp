// Several devices at once: a headless rack of eight scripted devices against one device
// alone (the wall time, each member's memory and processor time, every device's reply
// times against the device's own clock while all eight run).
#include "Bench.h"
#include "Groups.h"
#include "ProcessStats.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char **environ;

int UsageProbe(int argc, char *argv[]) {
  // argv: glow_bench --usage-probe PROGRAM ARGS...; the program and what it starts are this
  // probe's only children, so their usage is all that is counted.
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  if (argc < 3 || posix_spawn(&pid, argv[2], &quiet, nullptr, argv + 2, environ) != 0)
    return 1;
  int status = 0;
  waitpid(pid, &status, 0);
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  const double cpuMs = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000 +
                       double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
  std::printf("exit %d\nmaxrss-kb %ld\ncpu-ms %.1f\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1,
              usage.ru_maxrss, cpuMs);
  return 0;
}

namespace {
struct Usage {
  int exit = -1;
  double wallMs = 0;
  double cpuMs = 0;
  double peakMb = 0;
};

Usage RunMeasured(const QStringList &arguments) {
  QProcess probe;
  const qint64 started = MonotonicNs();
  probe.start(QCoreApplication::applicationFilePath(),
              QStringList{"--usage-probe", GLOW_PANEL_BINARY} + arguments);
  probe.waitForFinished(120000);
  Usage usage;
  usage.wallMs = double(MonotonicNs() - started) / 1e6;
  for (const QByteArray &line : probe.readAllStandardOutput().split('\n')) {
    const QList<QByteArray> words = line.split(' ');
    if (words.size() != 2)
      continue;
    if (words[0] == "exit")
      usage.exit = words[1].toInt();
    else if (words[0] == "maxrss-kb")
      usage.peakMb = words[1].toDouble() / 1024;
    else if (words[0] == "cpu-ms")
      usage.cpuMs = words[1].toDouble();
  }
  return usage;
}

// Each step's reply time in a JSON record of one run.
std::vector<double> ReplyMs(const QJsonObject &record) {
  std::vector<double> ms;
  for (const QJsonValue &pass : record.value("passes").toArray())
    for (const QJsonValue &step : pass.toObject().value("steps").toArray())
      if (step.toObject().contains("reply_ms"))
        ms.push_back(step.toObject().value("reply_ms").toDouble());
  return ms;
}

QJsonObject ReadJson(const QString &path) {
  QFile file(path);
  file.open(QIODevice::ReadOnly);
  return QJsonDocument::fromJson(file.readAll()).object();
}

void HeadlessRackRows() {
  constexpr int kDevices = 8;
  const int rounds = gQuick ? 20 : 40, tries = gQuick ? 1 : 3;
  QTemporaryDir dir;
  const QString file = dir.filePath("rounds.seq");
  {
    QFile out(file);
    out.open(QIODevice::WriteOnly);
    out.write(RoundsFile(rounds));
  }
  std::vector<std::unique_ptr<PtyDevice>> ptys;
  QStringList paths;
  for (int i = 0; i < kDevices; ++i) {
    ptys.push_back(std::make_unique<PtyDevice>());
    paths << dir.filePath(QStringLiteral("ttyR%1").arg(i));
    QFile::link(ptys.back()->path(), paths.back());
  }
  std::vector<double> loneMs, rackMs;
  Usage lone, rack;
  // The worst device's figures over every try: the median error and the 90th percentile.
  double worstMedian = 0, worstP90 = 0;
  int timed = 0, failedRuns = 0;
  // Replies timed shorter than the device took to answer: only a write's end stamped after
  // the device had the command makes one. Whole milliseconds each, rounded down.
  int belowOwn = 0;
  double worstBelow = 0;
  for (int t = 0; t < tries; ++t) {
    {
      ScriptedDevice device(*ptys[0]);
      const QString report = dir.filePath("lone.json");
      lone = RunMeasured({"--run", file, "--com1", paths[0], "--report", report});
      loneMs.push_back(lone.wallMs);
      failedRuns += lone.exit != 0;
    }
    std::vector<std::unique_ptr<ScriptedDevice>> devices;
    for (const auto &pty : ptys)
      devices.push_back(std::make_unique<ScriptedDevice>(*pty));
    const QString report = dir.filePath("rack.json");
    rack = RunMeasured({"--run", file, "--com1", paths.join(','), "--report", report});
    rackMs.push_back(rack.wallMs);
    failedRuns += rack.exit != 0;
    const QJsonArray records = ReadJson(report).value("devices").toArray();
    for (int d = 0; d < kDevices && d < records.size(); ++d) {
      const std::vector<double> reported = ReplyMs(records[d].toObject());
      const std::vector<double> deviceMs = devices[size_t(d)]->answerMs();
      std::vector<double> error, absolute;
      for (size_t i = 0; i < reported.size() && i < deviceMs.size(); ++i) {
        error.push_back(reported[i] - deviceMs[i]);
        absolute.push_back(qAbs(error.back()));
        if (reported[i] < std::floor(deviceMs[i])) {
          ++belowOwn;
          worstBelow = std::max(worstBelow, deviceMs[i] - reported[i]);
        }
      }
      timed += int(error.size());
      worstMedian = std::max(worstMedian, qAbs(Percentile(error, 0.5)));
      worstP90 = std::max(worstP90, Percentile(absolute, 0.9));
    }
  }
  const double loneWall = Percentile(loneMs, 0.5), rackWall = Percentile(rackMs, 0.5);
  Report(QStringLiteral("Rack: %1 devices at once, %2 replies each, against one device alone "
                        "(median of %3)")
             .arg(kDevices)
             .arg(rounds)
             .arg(tries),
         "wall time within 1.3×; every device passes",
         QStringLiteral("one device %1, eight %2: %3×; %4 runs failed")
             .arg(Ms(loneWall), Ms(rackWall))
             .arg(rackWall / loneWall, 0, 'f', 2)
             .arg(failedRuns),
         rackWall <= 1.3 * loneWall && failedRuns == 0);
  // The rack's own process is counted with its members: a member's share carries a part of
  // the rack's work too.
  const double share = rack.cpuMs / kDevices;
  Report("Rack: each member's resident memory and processor time, against a lone run",
         "peak within 40 MB; CPU within 1.5× of a lone run",
         QStringLiteral("largest peak %1 MB; CPU a device %2 ms (the rack's %3 ms over %4), "
                        "a lone run %5 ms: %6×")
             .arg(rack.peakMb, 0, 'f', 1)
             .arg(share, 0, 'f', 0)
             .arg(rack.cpuMs, 0, 'f', 0)
             .arg(kDevices)
             .arg(lone.cpuMs, 0, 'f', 0)
             .arg(share / lone.cpuMs, 0, 'f', 2),
         rack.peakMb <= 40 && share <= 1.5 * lone.cpuMs);
  Report(QStringLiteral("Rack: reply times with %1 devices running, against each device's own "
                        "clock")
             .arg(kDevices),
         "none below the device's own; every device: median error within ±1 ms, 90th "
         "percentile within ±3 ms",
         QStringLiteral("%1 replies timed, %2 below the device's own (worst by %3 ms); worst "
                        "device's median error %4 ms, worst 90th percentile %5 ms")
             .arg(timed)
             .arg(belowOwn)
             .arg(worstBelow, 0, 'f', 2)
             .arg(worstMedian, 0, 'f', 2)
             .arg(worstP90, 0, 'f', 2),
         timed == tries * kDevices * rounds && belowOwn == 0 && worstMedian <= 1 && worstP90 <= 3);
}

} // namespace

void RackGroup() { HeadlessRackRows(); }
