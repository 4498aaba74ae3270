// What the device says, as the receive memo shows it.
#include "Harness.h"
#include "ProcessStats.h"
#include "PtyDevice.h"
#include "Unit2.h"

#include <QElapsedTimer>
#include <QtTest>

#include <memory>

class ReceiveTest : public QObject {
  Q_OBJECT
private slots:
  void init();
  void cleanup();
  void replyShowsAsLine();
  void replyAfterTableStartsNewLine();
  void backlogOverLimitIsDiscarded_data();
  void backlogOverLimitIsDiscarded();
  void zeroByteDoesNotHideWhatFollows();
  void big5CharacterSplitAcrossReads();
  void typedTextStaysAndDataFollowsIt();
  void clearRemovesReceivedText();
  void nothingIsReadAfterClose();
  void hangUpClosesPortWithoutSpinning();
  void exitWhilePollingIsPrompt();

private:
  // Lets the kernel hand the bytes to the port while no poll can run.
  void sendInOnePiece(const QByteArray &bytes);

  std::unique_ptr<PtyDevice> device;
  std::unique_ptr<TrdCom> form;
};

void ReceiveTest::init() {
  device = std::make_unique<PtyDevice>();
  REQUIRE_DEVICE(*device);
  device->mapAs("COM1");
  form = std::make_unique<TrdCom>();
  Click(form.get(), "Button4");
  QVERIFY(PortIsOpen());
}

void ReceiveTest::cleanup() {
  form.reset();
  device.reset();
}

void ReceiveTest::sendInOnePiece(const QByteArray &bytes) {
  device->send(bytes);
  QThread::msleep(100);
}

void ReceiveTest::replyShowsAsLine() {
  device->send("OK\r\n");
  QTRY_COMPARE(MemoText(form.get()), QStringLiteral("OK\n"));
  device->send("next");
  QTRY_COMPARE(MemoText(form.get()), QStringLiteral("OK\nnext"));
  auto *memo = Control<TReceiveMemo>(form.get(), "Memo2");
  QCOMPARE(memo->textStore().paragraphCount(), 2);
  QCOMPARE(memo->textStore().paragraphText(0), QStringLiteral("OK"));
}

void ReceiveTest::replyAfterTableStartsNewLine() {
  // Code Build is there only before the first open.
  form.reset();
  form = std::make_unique<TrdCom>();
  Click(form.get(), "Button1");
  Click(form.get(), "Button4");
  device->send("OK\r\n");
  QTRY_VERIFY(MemoText(form.get()).endsWith(QStringLiteral("H'7E25,400\nOK\n")));
}

void ReceiveTest::backlogOverLimitIsDiscarded_data() {
  QTest::addColumn<int>("waiting");
  QTest::addColumn<int>("shown");
  QTest::newRow("1024 waiting are shown") << 1024 << 1024;
  QTest::newRow("1025 waiting are discarded") << 1025 << 0;
  QTest::newRow("4000 waiting are discarded") << 4000 << 0;
}

void ReceiveTest::backlogOverLimitIsDiscarded() {
  QFETCH(int, waiting);
  QFETCH(int, shown);
  QByteArray bytes;
  for (int i = 0; i < waiting; ++i)
    bytes += char('a' + i % 26);
  sendInOnePiece(bytes);
  QTest::qWait(300);
  QCOMPARE(MemoText(form.get()).size(), shown);
  // The line is usable afterwards.
  device->send("after");
  QTRY_VERIFY(MemoText(form.get()).endsWith(QStringLiteral("after")));
}

void ReceiveTest::zeroByteDoesNotHideWhatFollows() {
  sendInOnePiece(QByteArray("AB\0CD\r\n", 7));
  QTRY_COMPARE(MemoText(form.get()), QStringLiteral("ABCD\n"));
}

void ReceiveTest::big5CharacterSplitAcrossReads() {
  device->send("\xB4");
  QTest::qWait(100);
  QCOMPARE(MemoText(form.get()), QString());
  device->send("\x50");
  QTRY_COMPARE(MemoText(form.get()), QStringLiteral("嵐"));
}

void ReceiveTest::typedTextStaysAndDataFollowsIt() {
  auto *memo = Control<TReceiveMemo>(form.get(), "Memo2");
  QTest::keyClicks(memo, "note: ");
  device->send("reply");
  QTRY_COMPARE(MemoText(form.get()), QStringLiteral("note: reply"));
  QTest::keyClicks(memo, "!");
  QCOMPARE(MemoText(form.get()), QStringLiteral("note: reply!"));
}

void ReceiveTest::clearRemovesReceivedText() {
  device->send("line\r\n");
  QTRY_VERIFY(!MemoText(form.get()).isEmpty());
  Click(form.get(), "Button7");
  QCOMPARE(MemoText(form.get()), QString());
  device->send("again");
  QTRY_COMPARE(MemoText(form.get()), QStringLiteral("again"));
}

void ReceiveTest::nothingIsReadAfterClose() {
  device->send("before");
  QTRY_COMPARE(MemoText(form.get()), QStringLiteral("before"));
  Click(form.get(), "Button5");
  device->send("after");
  QTest::qWait(200);
  QCOMPARE(MemoText(form.get()), QStringLiteral("before"));
}

void ReceiveTest::hangUpClosesPortWithoutSpinning() {
  form->setReopenForRun(false);
  device->send("bye\r\n");
  QTRY_COMPARE(MemoText(form.get()), QStringLiteral("bye\n"));
  device->hangUp();
  QTRY_COMPARE(LabelText(form.get(), "Com_State"), QStringLiteral("通訊埠關閉"));
  QCOMPARE(LabelText(form.get(), "Com_State1"), QStringLiteral(">"));
  QCOMPARE(ButtonStates(form.get()), QStringLiteral("DEEDDE"));
  QVERIFY(!PortIsOpen());

  const double cpuBefore = ProcessCpuMs();
  QTest::qWait(1000);
  QVERIFY2(ProcessCpuMs() - cpuBefore < 200, "the tool keeps working after the hang-up");

  // The device is back (on a fresh line): open again and data flows.
  device = std::make_unique<PtyDevice>();
  device->mapAs("COM1");
  Click(form.get(), "Button4");
  QVERIFY(PortIsOpen());
  device->send("back");
  QTRY_COMPARE(MemoText(form.get()), QStringLiteral("bye\nback"));
}

void ReceiveTest::exitWhilePollingIsPrompt() {
  QVERIFY(form->ReaderThread->isRunning());
  form->show();
  Click(form.get(), "Button3");
  QElapsedTimer clock;
  clock.start();
  form.reset();
  QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
  QVERIFY(!PortIsOpen());
  QTRY_VERIFY(device->slaveClosed());
}

QTEST_MAIN(ReceiveTest)
#include "tst_receive.moc"
