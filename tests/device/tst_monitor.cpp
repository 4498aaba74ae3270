// The line monitor and its log file: every byte both ways, with its Big5 reading, and
// what the tool itself threw away.
#include "Harness.h"
#include "LineJournal.h"
#include "LineMonitor.h"
#include "PtyDevice.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

class MonitorTest : public QObject {
  Q_OBJECT
private slots:
  void rowsForPressesRepliesAndDiscards();
  void logHoldsWhatTheMonitorShows();
  void savedSequenceGetsItsSuffix();
  void logThatCannotBeWrittenIsShownAndPortWorks_data();
  void logThatCannotBeWrittenIsShownAndPortWorks();
};

void MonitorTest::rowsForPressesRepliesAndDiscards() {
  qputenv("TZ", "CST-8"); // a zone away from UTC, needing no zone files
  PtyDevice device;
  REQUIRE_DEVICE(device);
  device.mapAs("COM1");
  TrdCom form;
  Click(&form, "Button4");
  Click(&form, "Button8");
  QCOMPARE(device.receive().size(), 43);
  Control<QPlainTextEdit>(&form, "Memo1")->setPlainText(QStringLiteral("嵐"));
  Click(&form, "Button6");
  device.send("\xB4");
  QTest::qWait(100);
  device.send("\x50\r\n");
  QTRY_VERIFY(MemoText(&form).endsWith(QStringLiteral("嵐\n")));
  device.send(QByteArray(2000, 'z'));
  QThread::msleep(100); // the whole backlog is there before the next poll
  QTRY_VERIFY(form.lineMonitor()->text().contains("backlog discarded"));

  const QStringList rows = form.lineMonitor()->text().split('\n');
  auto rowAt = [&rows](const QString &head) {
    for (int i = 0; i < rows.size(); ++i)
      if (rows[i].mid(13).startsWith(head))
        return i;
    return -1;
  };
  const int init = rowAt("TX 43 bytes, 43 writes of 1 byte (Initial VFD)");
  // Rows carry the local wall-clock time.
  const int late = QTime::fromString(rows.value(init).left(12), QStringLiteral("HH:mm:ss.zzz"))
                       .secsTo(QTime::currentTime());
  QVERIFY2((late + 86400) % 86400 < 60, qPrintable(rows.value(init)));
  QVERIFY2(init > 0, qPrintable(rows.join('\n')));
  QCOMPARE(rows[init + 5], QStringLiteral("    03  03  B4  50  BE  EC  B5  BE  AC  52  0C"));
  QCOMPARE(rows[init + 6], QStringLiteral("    ^C  ^C  嵐      樺      翔      昱      ^L"));
  const int send = rowAt("TX 2 bytes (SEND)");
  QVERIFY(send > init);
  QCOMPARE(rows[send + 2], QStringLiteral("    嵐"));
  const int reply = rowAt("RX 1 byte, +");
  QVERIFY(reply > send);
  QCOMPARE(rows[reply + 1], QStringLiteral("    B4"));
  QCOMPARE(rows[reply + 4], QStringLiteral("    50  0D  0A"));
  QCOMPARE(rows[reply + 5], QStringLiteral("    嵐  ^M  ^J"));
  QVERIFY2(rowAt("-- backlog discarded (2000 bytes)") > reply, qPrintable(rows.join('\n')));
}

void MonitorTest::logHoldsWhatTheMonitorShows() {
  PtyDevice device;
  REQUIRE_DEVICE(device);
  device.mapAs("COM1");
  QTemporaryDir dir;
  const QString path = dir.filePath("line.log");
  TrdCom form;
  form.recordLineTo(path);
  Click(&form, "Button4");
  Click(&form, "Button9");
  // The row reaches the file of itself, the event loop busy or not: a kill then loses nothing.
  QFile file(path);
  QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
  QVERIFY(QTest::qWaitFor(
      [&] {
        file.seek(0);
        return file.readAll().contains("TX 4 bytes (eEND)\n    65  45  4E  44\n");
      },
      2000));
  device.send("OK\r\n");
  QTRY_COMPARE(MemoText(&form), QStringLiteral("OK\n"));
  Click(&form, "Button5");

  file.seek(0);
  QStringList logged = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
  logged.removeIf([](const QString &line) { return line.startsWith('#'); });
  QCOMPARE(logged, form.lineMonitor()->text().split('\n'));
  QCOMPARE(logged.size(), 8);
  // Rows kept while the monitor was hidden show as they were logged, and so do new ones.
  form.lineMonitor()->show();
  Click(&form, "Button4");
  QTRY_COMPARE(form.lineMonitor()->shownText(), form.lineMonitor()->text());
  QVERIFY(form.lineMonitor()->shownText().startsWith(logged.join('\n')));
}

void MonitorTest::savedSequenceGetsItsSuffix() {
  PtyDevice device;
  REQUIRE_DEVICE(device);
  device.mapAs("COM1");
  TrdCom form;
  Click(&form, "Button4");
  Click(&form, "Button9");
  QTemporaryDir dir;
  // The operator types a name without a suffix.
  AnswerModal<QFileDialog>([&dir](QFileDialog *dialog) {
    dialog->setDirectory(dir.path());
    dialog->findChild<QLineEdit *>("fileNameEdit")->setText("session");
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
  });
  Click(form.lineMonitor(), "saveSequence");
  QFile saved(dir.filePath("session.seq"));
  QVERIFY(saved.open(QIODevice::ReadOnly));
  QVERIFY(saved.readAll().contains("\neend\n"));
}

void MonitorTest::logThatCannotBeWrittenIsShownAndPortWorks_data() {
  QTest::addColumn<QString>("path");
  QTest::addColumn<QString>("reason");
  QTest::newRow("no such folder") << "/nonexistent-folder/line.log"
                                  << "no such folder";
  QTest::newRow("a full disk") << "/dev/full"
                               << "No space left on device";
}

void MonitorTest::logThatCannotBeWrittenIsShownAndPortWorks() {
  QFETCH(QString, path);
  QFETCH(QString, reason);
  PtyDevice device;
  REQUIRE_DEVICE(device);
  device.mapAs("COM1");
  TrdCom form;
  form.recordLineTo(path);
  QTRY_VERIFY(form.lineMonitor()->isVisible());
  QVERIFY(form.lineMonitor()->windowTitle().contains("NOT RECORDING"));
  const QString state = Control<QLabel>(form.lineMonitor(), "state")->text();
  QVERIFY2(state.contains(path) && state.contains(reason), qPrintable(state));
  Click(&form, "Button4");
  Click(&form, "Button9");
  QCOMPARE(device.receive(), QByteArray("eEND"));
}

QTEST_MAIN(MonitorTest)
#include "tst_monitor.moc"
