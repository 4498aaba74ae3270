// The character sweep's steps, as timed at each write.
#include "Bench.h"
#include "Groups.h"
#include "RecordingPort.h"

#include <QElapsedTimer>

void SweepGroup() {
  auto log = std::make_shared<WriteLog>();
  PtyDevice device;
  device.mapAs("COM1");
  TrdCom form(Recording(log));
  form.show();
  Click(&form, "Button4");
  QElapsedTimer clock;
  clock.start();
  Click(&form, "Button2");
  const double totalS = double(clock.elapsed()) / 1000;
  const QByteArray arrived = device.receiveExactly(222);
  std::vector<double> gaps;
  for (int i = 1; i < log->atNs.size(); ++i)
    gaps.push_back(double(log->atNs[i] - log->atNs[i - 1]) / 1e6);
  const double low = Percentile(gaps, 0), mid = Percentile(gaps, 0.5), high = Percentile(gaps, 1);
  Report("Character sweep cadence (gaps between writes)",
         "none < 100 ms, median within 2 ms of 100 ms",
         QStringLiteral("%1 writes, %2 bytes arrived; min %3, median %4, max %5; total %6 s")
             .arg(log->calls.size())
             .arg(arrived.size())
             .arg(Ms(low), Ms(mid), Ms(high))
             .arg(totalS, 0, 'f', 2),
         log->calls.size() == 222 && arrived.size() == 222 && low >= 100 && qAbs(mid - 100) <= 2);
}
