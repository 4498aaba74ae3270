// What the sending buttons put on the line, and how they cut it into write calls.
#include "Harness.h"
#include "PtyDevice.h"
#include "RecordingPort.h"
#include "TypedTextRows.h"

#include <QElapsedTimer>
#include <QtTest>

class SendingTest : public QObject {
  Q_OBJECT
private slots:
  void init();
  void cleanup();
  void sendFieldGoesOutInBig5_data() { AddTypedTextRows(); }
  void sendFieldGoesOutInBig5();
  void emptySendFieldIsZeroLengthWrite();
  void displayCommandsOnTheWire_data();
  void displayCommandsOnTheWire();
  void nothingIsSentWithoutPort_data();
  void nothingIsSentWithoutPort();
  void writeTheDeviceNeverTakesDoesNotFreeze();

private:
  std::shared_ptr<WriteLog> log;
  std::unique_ptr<PtyDevice> device;
  std::unique_ptr<TrdCom> form;
};

void SendingTest::init() {
  log = std::make_shared<WriteLog>();
  device = std::make_unique<PtyDevice>();
  REQUIRE_DEVICE(*device);
  device->mapAs("COM1");
  form = std::make_unique<TrdCom>(Recording(log));
  Click(form.get(), "Button4");
  QVERIFY(PortIsOpen());
}

void SendingTest::cleanup() {
  form.reset();
  device.reset();
}

void SendingTest::sendFieldGoesOutInBig5() {
  QFETCH(QString, typed);
  QFETCH(QByteArray, wire);
  auto *field = Control<QPlainTextEdit>(form.get(), "Memo1");
  field->setPlainText(typed);
  Click(form.get(), "Button6");
  QCOMPARE(device->receive(), wire);
  QCOMPARE(log->sizes(), QList<int>{int(wire.size())});
  QCOMPARE(field->toPlainText(), typed);
}

void SendingTest::emptySendFieldIsZeroLengthWrite() {
  Click(form.get(), "Button6");
  QCOMPARE(log->sizes(), QList<int>{0});
  QCOMPARE(device->receive(), QByteArray());
}

void SendingTest::displayCommandsOnTheWire_data() {
  QTest::addColumn<QString>("button");
  QTest::addColumn<QByteArray>("wire");
  QTest::addColumn<int>("calls");
  QTest::addColumn<QString>("status");
  QTest::newRow("Initial VFD") << "Button8"
                               << QByteArray::fromHex("0c"
                                                      "1f240000000000"
                                                      "1f28670201"
                                                      "1f28670102"
                                                      "1f28674100"
                                                      "1f2867400101"
                                                      "1f28670303"
                                                      "b450beecb5beac52"
                                                      "0c")
                               << 43 << QStringLiteral("取得VFD");
  QTest::newRow("Clear VFD") << "Clear_VFD" << QByteArray("\x0C") << 1 << "38400,8,N,1";
  QTest::newRow("eEND") << "Button9" << QByteArray("eEND") << 1
                        << QStringLiteral("釋出KT-590控制權");
}

void SendingTest::displayCommandsOnTheWire() {
  QFETCH(QString, button);
  QFETCH(QByteArray, wire);
  QFETCH(int, calls);
  QFETCH(QString, status);
  Click(form.get(), button.toLatin1());
  QCOMPARE(device->receive().toHex(' '), wire.toHex(' '));
  QCOMPARE(log->calls.size(), calls);
  QCOMPARE(log->calls.join(), wire);
  QCOMPARE(LabelText(form.get(), "Com_State1"), status);
}

void SendingTest::nothingIsSentWithoutPort_data() {
  QTest::addColumn<QString>("button");
  QTest::newRow("Initial VFD") << "Button8";
  QTest::newRow("Clear VFD") << "Clear_VFD";
  QTest::newRow("eEND") << "Button9";
  QTest::newRow("SEND") << "Button6";
  QTest::newRow("ASCII Demo") << "Button2";
}

void SendingTest::nothingIsSentWithoutPort() {
  QFETCH(QString, button);
  Control<QPlainTextEdit>(form.get(), "Memo1")->setPlainText("text");
  Click(form.get(), "Button5");
  const QString status = LabelText(form.get(), "Com_State1");
  const QString sweep = LabelText(form.get(), "Label1");
  // Initial VFD and eEND are greyed out after a close; their handlers must hold anyway.
  const QByteArray name = button.toLatin1();
  if (name == "Button8")
    form->Button8Click();
  else if (name == "Button9")
    form->Button9Click();
  else
    Click(form.get(), name);
  QVERIFY(log->calls.isEmpty());
  QCOMPARE(LabelText(form.get(), "Com_State1"), status);
  QCOMPARE(LabelText(form.get(), "Label1"), sweep);
}

void SendingTest::writeTheDeviceNeverTakesDoesNotFreeze() {
  // Nobody reads the far end, so the line fills up and the write cannot finish.
  Control<QPlainTextEdit>(form.get(), "Memo1")->setPlainText(QString(300000, QLatin1Char('x')));
  QElapsedTimer clock;
  clock.start();
  Click(form.get(), "Button6");
  QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
  QCOMPARE(log->calls.size(), 1);
  // A full line is no lost line.
  QTest::qWait(100);
  QVERIFY(PortIsOpen());
  // The window still answers.
  Click(form.get(), "Button5");
  QCOMPARE(LabelText(form.get(), "Com_State"), QStringLiteral("通訊埠關閉"));
}

QTEST_MAIN(SendingTest)
#include "tst_sending.moc"
