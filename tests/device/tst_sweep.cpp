// "ASCII Demo": every single-byte code, a tenth of a second apart, named as it goes.
#include "Harness.h"
#include "PtyDevice.h"
#include "RecordingPort.h"

#include <QtTest>

namespace {
// Notes the text Label1 shows each time it is painted.
class PaintWatch : public QObject {
public:
  QStringList painted;
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::Paint)
      painted << static_cast<QLabel *>(watched)->text();
    return false;
  }
};
} // namespace

class SweepTest : public QObject {
  Q_OBJECT
private slots:
  void sweepSendsEachCodeOnceInRisingOrder();
};

void SweepTest::sweepSendsEachCodeOnceInRisingOrder() {
  auto log = std::make_shared<WriteLog>();
  PtyDevice device;
  REQUIRE_DEVICE(device);
  device.mapAs("COM1");
  TrdCom form(Recording(log));
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  Click(&form, "Button4");
  PaintWatch watch;
  Control<QLabel>(&form, "Label1")->installEventFilter(&watch);
  // A backlog the poller cannot take while the sweep holds the window.
  device.send(QByteArray(2000, 'x'));

  Click(&form, "Button2");

  QByteArray expected;
  for (int c = 0x21; c <= 0xFE; ++c)
    expected += char(c);
  QCOMPARE(device.receiveExactly(222).toHex(' '), expected.toHex(' '));
  QCOMPARE(log->sizes(), QList<int>(222, 1));
  // A step starts just before its write is stamped, so a thread preempted in between may
  // see one gap short by that much; a timer that fires early is short by milliseconds.
  for (int i = 1; i < log->atNs.size(); ++i)
    QVERIFY2(log->atNs[i] - log->atNs[i - 1] >= 99'000'000, qPrintable(QString::number(i)));
  QVERIFY(LabelText(&form, "Label1").startsWith(QStringLiteral("FE = ")));
  // The operator saw every step, not just the last.
  QVERIFY(watch.painted.contains(QStringLiteral("21 = !")));
  QVERIFY(watch.painted.contains(QStringLiteral("41 = A")));
  QVERIFY2(watch.painted.size() >= 222, qPrintable(QString::number(watch.painted.size())));

  QTest::qWait(300);
  QCOMPARE(MemoText(&form), QString());
  device.send("after");
  QTRY_COMPARE(MemoText(&form), QStringLiteral("after"));
}

QTEST_MAIN(SweepTest)
#include "tst_sweep.moc"
