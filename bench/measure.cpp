// Sequences that measure: how soon a pattern's verdict follows the last byte of a long reply,
// parsing a long file of includes and variables, and a long repeat that appends a JSON line
// a pass.
#include "Bench.h"
#include "Groups.h"
#include "ProcessStats.h"
#include "RunRecord.h"
#include "SequenceRunner.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <poll.h>
#include <unistd.h>

namespace {
QList<SequenceStep> Steps(const QByteArray &text) { return ParseSequence(text).steps; }

// 64 KB of digits in pieces that polls take (400 bytes every 5 ms, 80 KB/s), then the end a
// pattern waits for; when the device wrote its last byte, on its own clock.
void SendLong(const PtyDevice &pty, std::atomic<qint64> *lastByteNs) {
  const int fd = pty.masterFd();
  char command[16];
  pollfd pfd{fd, POLLIN, 0};
  while (::poll(&pfd, 1, 5000) > 0 && ::read(fd, command, sizeof command) <= 0) {
  }
  const QByteArray piece(400, '7');
  for (int sent = 0; sent < 64 * 1024; sent += int(piece.size())) {
    [[maybe_unused]] const ssize_t n = ::write(fd, piece.constData(), size_t(piece.size()));
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  [[maybe_unused]] const ssize_t n = ::write(fd, " 1234 END\r\n", 11);
  *lastByteNs = MonotonicNs();
}
} // namespace

void MeasureGroup() {
  PtyDevice pty;
  {
    const int tries = gQuick ? 3 : 10;
    std::vector<double> ms;
    for (int i = 0; i < tries; ++i) {
      HeadlessTool tool(pty);
      std::atomic<qint64> lastByte{0};
      qint64 verdictAt = 0;
      QObject::connect(tool.runner.get(), &SequenceRunner::stepFinished, [&](int index) {
        if (index == 2)
          verdictAt = MonotonicNs();
      });
      std::thread device([&] { SendLong(pty, &lastByte); });
      const bool ran = tool.run(
          Steps("open COM1\nsend \"GO\"\nexpect match \"7 (?<n>\\d+) END\" within 10 s\n"));
      device.join();
      if (ran && tool.runner->failedSteps() == 0)
        ms.push_back(double(verdictAt - lastByte) / 1e6);
    }
    const double worst = ms.empty() ? 1e9 : Percentile(ms, 1.0);
    Report(QStringLiteral("Sequence: expect match over 64 KB received, %1 times").arg(tries),
           "the verdict within 5 ms of the last byte",
           QStringLiteral("%1 passed; median %2, worst %3")
               .arg(ms.size())
               .arg(Ms(Percentile(ms, 0.5)), Ms(worst)),
           int(ms.size()) == tries && worst <= 5);
  }
  {
    QTemporaryDir dir;
    // Every kind of step that reads or sets a variable, by turns.
    QByteArray main = "ask serial \"?\"\n";
    const char *const kinds[] = {"send \"SN ${serial} 第 %1 行\\r\"",
                                 "expect \"${serial} OK\" within 200 ms",
                                 "expect match \"T=(?<temp>-?[0-9.]+)C\" within %1 ms",
                                 "check temp between 0 and %1", "wait %1 ms"};
    for (int f = 0; f < 10; ++f) {
      QByteArray part;
      for (int i = 0; i < 1000; ++i)
        part += QString::fromUtf8(kinds[i % 5]).arg(i + 1).toUtf8() + '\n';
      QFile file(dir.filePath(QStringLiteral("part%1.seq").arg(f)));
      file.open(QIODevice::WriteOnly);
      file.write(part);
      main += "include \"part" + QByteArray::number(f) + ".seq\"\n";
    }
    QFile file(dir.filePath("main.seq"));
    file.open(QIODevice::WriteOnly);
    file.write(main);
    file.close();
    QElapsedTimer clock;
    clock.start();
    const ParsedSequence parsed = ReadSequenceFile(file.fileName());
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    Report("Sequence: 10,000 steps in 10 included files, with variables, parsed", "< 50 ms",
           QStringLiteral("%1 steps in %2").arg(parsed.steps.size()).arg(Ms(ms)),
           parsed.steps.size() == 10001 && ms < 50);
  }
}
