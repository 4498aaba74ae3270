// One poll's append costs the same into an empty receive box as into a full one.
#include "Bench.h"
#include "Groups.h"

#include <QElapsedTimer>

void AppendGroup() {
  OpenTool tool;
  auto *memo = Control<TReceiveMemo>(&tool.form, "Memo2");
  const QByteArray chunk = QByteArray(62, 'a') + "\r\n";
  auto measure = [&](qsizetype fill) {
    QString filler;
    const QString line = QString(63, QLatin1Char('m')) + QLatin1Char('\n');
    while (filler.size() < fill)
      filler += line;
    memo->clear();
    memo->appendText(filler);
    RunFor(100);
    std::vector<double> us;
    for (int i = 0; i < (gQuick ? 50 : 200); ++i) {
      RunFor(40);
      // One read's worth shown at once: its text made and drawn into the memo.
      QElapsedTimer t;
      t.start();
      tool.form.ReadCom({chunk, SteadyNs(), {}});
      memo->showReceived();
      us.push_back(double(t.nsecsElapsed()) / 1e3);
    }
    return Percentile(us, 0.5);
  };
  const double empty = measure(0);
  const double full = measure(10 * 1024 * 1024);
  const double ratio = full / empty;
  Report("Append a 64-byte chunk: empty memo vs 10 MB memo", "ratio < 2",
         QStringLiteral("%1 us vs %2 us, ratio %3")
             .arg(empty, 0, 'f', 1)
             .arg(full, 0, 'f', 1)
             .arg(ratio, 0, 'f', 2),
         ratio < 2);
}
