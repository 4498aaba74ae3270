// The receive box's memory for each character it keeps, fed through the window's read path
// at full speed: Latin lines, Big5 lines and one line without a break. Resident memory is
// read before and after, with freed heap handed back first, so the figure is what stays.
#include "Bench.h"
#include "Big5.h"
#include "Groups.h"
#include "ProcessStats.h"

#include <malloc.h>

namespace {
double KeptMb() {
  malloc_trim(0);
  return double(ResidentKb()) / 1024;
}

void MemoryRow(const QString &what, qint64 total, double bar,
               const std::function<QByteArray(qint64)> &line) {
  OpenTool tool;
  auto *memo = Control<TReceiveMemo>(&tool.form, "Memo2");
  RunFor(300);
  const double before = KeptMb();
  QByteArray chunk;
  qint64 fed = 0;
  for (qint64 n = 0; fed < total; ++n) {
    chunk += line(n);
    if (chunk.size() < 4096)
      continue;
    fed += chunk.size();
    tool.form.ReadCom({chunk, SteadyNs(), {}});
    chunk.clear();
    if (n % 64 == 0)
      QCoreApplication::processEvents();
  }
  memo->showReceived();
  RunFor(300);
  const double after = KeptMb();
  const qint64 chars = memo->textStore().size();
  const double perChar = (after - before) * 1024 * 1024 / double(chars);
  Report(
      QStringLiteral("Receive box memory: %1, %2 MB").arg(what).arg(double(fed) / 1e6, 0, 'f', 1),
      QStringLiteral("<= %1 bytes a character").arg(bar, 0, 'f', 1),
      QStringLiteral("%1 characters; resident memory %2 -> %3 MB, %4 bytes a character "
                     "(the store itself %5)")
          .arg(chars)
          .arg(before, 0, 'f', 1)
          .arg(after, 0, 'f', 1)
          .arg(perChar, 0, 'f', 2)
          .arg(double(memo->textStore().bytesHeld()) / double(chars), 0, 'f', 2),
      perChar <= bar);
}
} // namespace

void MemoryGroup() {
  const qint64 total = gQuick ? 2000000 : 10000000;
  MemoryRow("numbered Latin lines", total, 1.2, NumberedLine);
  MemoryRow("Big5 lines", total, 2.2, [](qint64 n) {
    return ToBig5(QStringLiteral("第%1行 嵐樺翔昱 測試顯示 溫度 %2\r\n")
                      .arg(n, 7, 10, QChar('0'))
                      .arg(n % 997));
  });
  MemoryRow("one line without a break", gQuick ? 1000000 : 4000000, 1.5,
            [](qint64 n) { return QByteArray::number(n).rightJustified(8, '0') + " sample,"; });
}
