// Test sequences, run as headless runs run them (the port session, no window): how exactly
// a reply is timed, measured against a scripted device that stamps its own side; the sweep
// step's pace at the device; how closely a limit is kept; parsing a long file; and memory
// over a long repeat on a loopback device.
#include "Bench.h"
#include "Groups.h"
#include "JsonReport.h"
#include "ProcessStats.h"
#include "SequenceRunner.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

namespace {
QList<SequenceStep> Steps(const QByteArray &text) { return ParseSequence(text).steps; }

void AccuracyRows(const PtyDevice &pty) {
  const int each = gQuick ? 20 : 100;
  for (const int delay : {5, 30}) {
    ScriptedDevice device(pty);
    HeadlessTool tool(pty);
    QByteArray file = "open COM1 38400\n";
    for (int i = 0; i < each; ++i)
      file += QStringLiteral("send \"D%1\\n\"\nexpect \"R%1\\n\" within %2 ms\nwait %3 ms\n")
                  .arg(delay)
                  .arg(delay == 5 ? 30 : 100)
                  .arg(5 + i % 20)
                  .toUtf8();
    const bool ran = tool.run(Steps(file));
    const std::vector<double> deviceMs = device.answerMs();
    std::vector<double> error, absolute;
    for (const SequenceRunner::Result &r : tool.runner->passes().first().results)
      if (r.replyMs >= 0 && error.size() < deviceMs.size()) {
        error.push_back(double(r.replyMs) - deviceMs[error.size()]);
        absolute.push_back(qAbs(error.back()));
      }
    const double median = Percentile(error, 0.5), p90 = Percentile(absolute, 0.9);
    const int failed = tool.runner->failedSteps();
    Report(QStringLiteral("Sequence: reply time of %1 replies after %2 ms, against the "
                          "device's own clock")
               .arg(each)
               .arg(delay),
           QStringLiteral("median error within ±1 ms, 90th percentile within ±3 ms%1")
               .arg(delay == 5 ? QStringLiteral("; every one passes within 30 ms") : QString()),
           QStringLiteral("%1 timed; error median %2 ms, 90th percentile %3 ms, worst %4 ms; "
                          "%5 failed steps")
               .arg(error.size())
               .arg(median, 0, 'f', 2)
               .arg(p90, 0, 'f', 2)
               .arg(Percentile(absolute, 1.0), 0, 'f', 2)
               .arg(failed),
           ran && int(error.size()) == each && qAbs(median) <= 1 && p90 <= 3 && failed == 0);
  }
}

void SweepStepRow(const PtyDevice &pty) {
  ScriptedDevice device(pty);
  HeadlessTool tool(pty);
  tool.run(Steps("open COM1\nascii-demo\nclose\n"));
  RunFor(200);
  const std::vector<qint64> at = device.arrivalsNs();
  std::vector<double> gaps;
  for (size_t i = 1; i < at.size(); ++i)
    gaps.push_back(double(at[i] - at[i - 1]) / 1e6);
  const double low = Percentile(gaps, 0), mid = Percentile(gaps, 0.5), high = Percentile(gaps, 1);
  Report("Sequence: the ascii-demo step's pace, as the device hears it",
         "none < 100 ms, median within 2 ms of 100 ms",
         QStringLiteral("%1 bytes arrived; min %2, median %3, max %4")
             .arg(at.size())
             .arg(Ms(low), Ms(mid), Ms(high)),
         at.size() == 222 && low >= 99.5 && qAbs(mid - 100) <= 2);
}
} // namespace

void SequenceGroup() {
  PtyDevice pty;
  AccuracyRows(pty);
  SweepStepRow(pty);

  // A silent device: how far past its limit an expect fails.
  {
    const int tries = gQuick ? 5 : 20;
    std::vector<double> ms;
    HeadlessTool tool(pty);
    for (int i = 0; i < tries; ++i) {
      tool.run(Steps("open COM1\nexpect hex 06 within 500 ms\n"));
      const auto &r = tool.runner->passes().first().results;
      if (r.size() == 2 && r[1].state == SequenceRunner::State::Failed)
        ms.push_back(double(r[1].ms));
    }
    const double lo = ms.empty() ? 0 : *std::min_element(ms.begin(), ms.end());
    const double hi = ms.empty() ? 1e9 : *std::max_element(ms.begin(), ms.end());
    Report(QStringLiteral("Sequence: a silent device against within 500 ms, %1 runs").arg(tries),
           "fails between 500 and 520 ms",
           QStringLiteral("%1 failed as they should, after %2 to %3 ms")
               .arg(ms.size())
               .arg(lo, 0, 'f', 0)
               .arg(hi, 0, 'f', 0),
           int(ms.size()) == tries && lo >= 500 && hi <= 520);
  }

  // Parsing: a file of 10,000 steps of every kind.
  {
    QByteArray file;
    const char *const kinds[] = {"send \"第 %1 行 line\\r\\n\"", "expect hex 06 15 within 200 ms",
                                 "wait %1 ms", "send hex 1F 24 00 FF", "expect nothing for 5 ms"};
    for (int i = 0; i < 10000; ++i)
      file += QString::fromUtf8(kinds[i % 5])
                  .replace(QStringLiteral("%1"), QString::number(i))
                  .toUtf8() +
              '\n';
    QElapsedTimer clock;
    clock.start();
    const ParsedSequence parsed = ParseSequence(file);
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    Report("Sequence: a file of 10,000 steps parsed", "< 50 ms",
           QStringLiteral("%1 steps in %2").arg(parsed.steps.size()).arg(Ms(ms)),
           parsed.steps.size() == 10000 && ms < 50);
  }

  // A long repeat on a loopback device: memory after the first hundred passes stays put.
  {
    ScriptedDevice echo(pty);
    HeadlessTool tool(pty);
    const QList<SequenceStep> steps = Steps(
        "open COM1 38400\nsend \"T=31.5C\\r\"\nexpect match \"T=(?<t>[0-9.]+)C\" within 500 ms\n"
        "check t between 20 and 40\nclear-vfd\n"
        "expect hex 0C within 500 ms\nsend hex 00 FF\nexpect hex 00 FF within 500 ms\n"
        "eend\nclose\n");
    const int repeats = gQuick ? 200 : 1000;
    tool.runner->setKeepPasses(false);
    // A JSON line a pass, as --report FILE.jsonl appends it.
    QTemporaryDir dir;
    const QString lines = dir.filePath("burn-in.jsonl");
    QObject::connect(tool.runner.get(), &SequenceRunner::passFinished, [&] {
      QString error;
      AppendLastPass(lines, tool.runner->record(), &error);
    });
    double rssAt100 = 0;
    QObject::connect(tool.runner.get(), &SequenceRunner::passStarted, [&](int pass) {
      if (pass == 101)
        rssAt100 = double(ResidentKb()) / 1024;
    });
    QElapsedTimer clock;
    clock.start();
    const bool ran = tool.run(steps, repeats);
    const double rssEnd = double(ResidentKb()) / 1024;
    QFile file(lines);
    file.open(QIODevice::ReadOnly);
    const qsizetype written = file.readAll().count('\n');
    Report(QStringLiteral("Sequence: --repeat %1 of a 10-step file with a check on the loopback "
                          "plug, a JSON line a pass")
               .arg(repeats),
           "every step passes; memory flat after the first hundred passes; a line a pass",
           QStringLiteral("%1 passed, %2 failed in %3 s; resident memory %4 MB after 100 passes, "
                          "%5 MB at the end; %6 lines")
               .arg(tool.runner->passedSteps())
               .arg(tool.runner->failedSteps())
               .arg(double(clock.elapsed()) / 1000, 0, 'f', 1)
               .arg(rssAt100, 0, 'f', 1)
               .arg(rssEnd, 0, 'f', 1)
               .arg(written),
           ran && tool.runner->failedSteps() == 0 && tool.runner->passedSteps() == 10 * repeats &&
               rssEnd - rssAt100 <= 1.0 && written == repeats);
  }
}
