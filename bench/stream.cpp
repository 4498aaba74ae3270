// Text streaming at 38400 baud: how often the receive box is updated, and that every
// character is shown.
#include "Bench.h"
#include "Groups.h"
#include "PortSession.h"
#include "ProcessStats.h"
#include "ReceiveText.h"

#include <QElapsedTimer>

void StreamGroup() {
  OpenTool tool;
  const int seconds = gQuick ? 10 : 60;
  const QList<QByteArray> lines = StreamLines(seconds);
  // Memo updates in each second of the stream.
  std::vector<int> perSecond(size_t(seconds) + 1, 0);
  QElapsedTimer clock;
  clock.start();
  auto *memo = Control<TReceiveMemo>(&tool.form, "Memo2");
  const auto counting = QObject::connect(memo, &TReceiveMemo::appended, [&] {
    const qint64 second = clock.elapsed() / 1000;
    if (second < seconds)
      ++perSecond[size_t(second)];
  });
  // A row that fails says why: the backlogs the window let pile up, and its longest stall.
  int discards = 0;
  QObject::connect(tool.form.session(), &TSession::discarded, [&discards] { ++discards; });
  const double cpuBefore = ProcessCpuMs();
  PacedDevice device({&tool.device}, kBytesPerSecond38400,
                     [&lines](qint64 n) { return lines.value(n); });
  qint64 longestStall = 0;
  while (clock.elapsed() < seconds * 1000) {
    const qint64 before = clock.elapsed();
    RunFor(50);
    longestStall = std::max(longestStall, clock.elapsed() - before - 50);
  }
  const double cpuShare = CoreShare(ProcessCpuMs() - cpuBefore, seconds);
  device.finish();
  RunFor(500);
  QObject::disconnect(counting);
  perSecond.resize(size_t(seconds));
  const int fewest = *std::min_element(perSecond.begin() + 1, perSecond.end());
  double all = 0;
  for (int n : perSecond)
    all += n;
  Report("Memo updates while text streams", ">= 25 a second",
         QStringLiteral("%1 a second on average, %2 in the slowest second; CPU %3 % of a core "
                        "(offscreen)")
             .arg(all / seconds, 0, 'f', 1)
             .arg(fewest)
             .arg(cpuShare, 0, 'f', 2),
         fewest >= 25);
  const QByteArray bytes = lines.join();
  const QString shown = MemoText(&tool.form);
  const QString expected = ReceiveText().feed(bytes);
  const bool same = shown == expected;
  Report(QStringLiteral("Stream at 38400 baud, %1 s, ASCII and Big5 lines").arg(seconds),
         "every byte shown",
         QStringLiteral("%1 bytes sent, %2 of %3 characters shown, %4; %5 backlogs discarded, "
                        "longest stall of the window %6 ms")
             .arg(bytes.size())
             .arg(shown.size())
             .arg(expected.size())
             .arg(same ? QStringLiteral("identical") : QStringLiteral("DIFFERENT"))
             .arg(discards)
             .arg(longestStall),
         same);
}
