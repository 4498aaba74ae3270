// A lost line waits for its device, end to end: the pseudo-terminal is pulled and plugged
// back under the same link, the system's watch hears of it, the port opens again at the
// speed of the last open and what the device says shows. The rules of the wait are the
// session's own tests (tests/unit/tst_session.cpp).
#include "Harness.h"
#include "LineMonitor.h"
#include "PtyDevice.h"

#include <QTemporaryDir>
#include <QtTest>

#include <termios.h>

class ReopenTest : public QObject {
  Q_OBJECT
private slots:
  void reopenedAtTheLastSpeed();
};

void ReopenTest::reopenedAtTheLastSpeed() {
  QTemporaryDir dir;
  const QString link = dir.filePath(QStringLiteral("ttyUSB0"));
  auto device = std::make_unique<PtyDevice>();
  REQUIRE_DEVICE(*device);
  QVERIFY(QFile::link(device->path(), link));
  SessionOptions options;
  options.devices = {link, QString()};
  options.settingsFile = dir.filePath(QStringLiteral("settings.ini"));
  TrdCom form(options);
  Choose(&form, "rdBaudrate_1");
  Click(&form, "Button4");
  QVERIFY(PortIsOpen());
  Choose(&form, "rdBaudrate_2");

  QFile::remove(link);
  device->hangUp();
  QTRY_VERIFY(form.waitingForDevice());
  QVERIFY(LabelText(&form, "Com_State").contains(link));
  QCOMPARE(ButtonStates(&form), QStringLiteral("DEEDDE"));

  device = std::make_unique<PtyDevice>();
  QVERIFY(QFile::link(device->path(), link));
  QTRY_VERIFY(PortIsOpen());
  QVERIFY(!form.waitingForDevice());
  QCOMPARE(LabelText(&form, "Com_State"), QStringLiteral("開啟通訊埠成功!!"));
  QCOMPARE(LabelText(&form, "Com_State1"), QStringLiteral("19200,8,N,1"));
  QCOMPARE(ButtonStates(&form), QStringLiteral("DEDEEE"));
  termios t{};
  tcgetattr(device->masterFd(), &t);
  QCOMPARE(int(cfgetospeed(&t)), int(B19200));
  device->send("back\r\n");
  QTRY_COMPARE(MemoText(&form), QStringLiteral("back\n"));
  const QString rows = form.lineMonitor()->text();
  for (const char *step : {"-- line lost", "-- waiting for", "-- reopened"})
    QVERIFY2(rows.contains(QLatin1String(step)), step);
}

QTEST_MAIN(ReopenTest)
#include "tst_reopen.moc"
