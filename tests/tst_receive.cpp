// What the device says, as the receive memo shows it.
#include "Harness.h"
#include "PtyDevice.h"
#include "ReceiveMemo.h"
#include "ReceiveText.h"
#include "Unit2.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTextBlock>
#include <QtTest>

#include <memory>

using Chunks = QList<QByteArray>;

class ReceiveTest : public QObject {
  Q_OBJECT
private slots:
  void decodesLikeOneStream_data();
  void decodesLikeOneStream();
  void everyBig5CodeAsOnLinux();
  void longRunKeepsEveryLineAndThePlace_data();
  void longRunKeepsEveryLineAndThePlace();
  void pagesAsAPlainEditor_data();
  void pagesAsAPlainEditor();

  void init();
  void cleanup();
  void replyShowsAsLine();
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

void ReceiveTest::decodesLikeOneStream_data() {
  QTest::addColumn<Chunks>("chunks");
  QTest::addColumn<QString>("shown");
  QTest::newRow("reply line") << Chunks{"OK\r\n", "next"} << "OK\nnext";
  QTest::newRow("CR LF split across reads") << Chunks{"A\r", "\nB"} << "A\nB";
  QTest::newRow("lone CR") << Chunks{"A\rB"} << "A\nB";
  QTest::newRow("lone LF") << Chunks{"A\nB"} << "A\nB";
  QTest::newRow("CR CR LF is two breaks") << Chunks{"A\r\r\nB"} << "A\n\nB";
  QTest::newRow("LF CR is two breaks") << Chunks{"A\n\rB"} << "A\n\nB";
  QTest::newRow("zero byte dropped, rest kept") << Chunks{QByteArray("AB\0CD", 5)} << "ABCD";
  QTest::newRow("zero byte between CR and LF") << Chunks{QByteArray("A\r\0\nB", 5)} << "A\nB";
  QTest::newRow("banner in Big5") << Chunks{QByteArray::fromHex("b450beecb5beac52")}
                                  << QStringLiteral("嵐樺翔昱");
  QTest::newRow("Big5 split byte by byte")
      << Chunks{"\xB4", "\x50\xBE", "\xEC"} << QStringLiteral("嵐樺");
  QTest::newRow("lead byte before a line break")
      << Chunks{"\xB4", "\r\nA"} << QStringLiteral("\uFFFD\nA");
  QTest::newRow("empty read") << Chunks{QByteArray()} << QString();
}

void ReceiveTest::decodesLikeOneStream() {
  QFETCH(Chunks, chunks);
  QFETCH(QString, shown);
  ReceiveText split, whole;
  QString pieced;
  for (const QByteArray &c : chunks)
    pieced += split.feed(c);
  QCOMPARE(pieced, shown);
  QCOMPARE(whole.feed(chunks.join()), shown);
}

void ReceiveTest::everyBig5CodeAsOnLinux() {
  // Every two-byte code, decoded in one stream and encoded back, must give what Qt's own
  // converter gives on Linux, whichever converter this platform uses.
  QByteArray codes;
  for (int lead = 0x81; lead <= 0xFE; ++lead)
    for (int trail = 0x40; trail <= 0xFE; ++trail)
      if (trail < 0x7F || trail > 0xA0)
        codes.append(char(lead)).append(char(trail));
  const QString text = Big5Decoder().decode(codes);
  const QByteArray back = ToBig5(text);
  auto digest = [](const QByteArray &bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
  };
  QCOMPARE(text.size(), codes.size() / 2);
  QCOMPARE(digest(QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2)),
           QByteArray("1ea864d50d3bbbd9f5d70418347db69eeff57b5a"));
  QCOMPARE(digest(back), QByteArray("a5c869a9cc0a638799d0aa783694c6aa8ab410fe"));
}

void ReceiveTest::longRunKeepsEveryLineAndThePlace_data() {
  QTest::addColumn<QString>("piece");
  QTest::addColumn<bool>("following");
  // Enough to be gathered into large blocks several times over.
  QTest::newRow("numbered lines, view at the bottom") << "line %1 嵐樺翔昱 0123456789\n" << true;
  QTest::newRow("numbered lines, operator scrolled up") << "line %1 嵐樺翔昱 0123456789\n" << false;
  QTest::newRow("one line with no break") << "%1 no break here, " << true;
  QTest::newRow("breaks only") << "\n\n%1" << true;
}

void ReceiveTest::longRunKeepsEveryLineAndThePlace() {
  QFETCH(QString, piece);
  QFETCH(bool, following);
  TReceiveMemo memo;
  memo.resize(169, 315);
  memo.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn); // as in the window
  QApplication::setCursorFlashTime(0); // a caret that blinks would differ between two looks
  memo.show();
  QVERIFY(QTest::qWaitForWindowExposed(&memo));
  // What is on screen must be what drawing the memo afresh gives. Only the offscreen
  // platform grabs what the memo drew; others grab the screen, where the windows of tests
  // running beside this one may stand in front.
  const bool offscreen = QGuiApplication::platformName() == QLatin1String("offscreen");
  auto drawnAsAfresh = [&memo, offscreen] {
    if (!offscreen)
      return true;
    const QImage shown = memo.screen()->grabWindow(memo.winId()).toImage();
    return shown.convertToFormat(QImage::Format_RGB32) ==
           memo.grab().toImage().convertToFormat(QImage::Format_RGB32);
  };
  memo.appendText("typed\n");
  QTextCursor mark = memo.textCursor();
  mark.setPosition(2);
  mark.setPosition(4, QTextCursor::KeepAnchor);
  memo.setTextCursor(mark);
  QString expected = "typed\n";
  int scrolledTo = -1;
  for (int i = 0; expected.size() < 300000; ++i) {
    const QString text = piece.arg(i) + piece.arg(i + 1);
    const int blocks = memo.blockCount();
    memo.appendText(text);
    expected += text;
    if (i == 200 && !following) {
      memo.verticalScrollBar()->setValue(50);
      scrolledTo = 50;
    }
    // Each append is drawn before the next, as at the poller's pace; the second pass draws
    // what the first one asked for.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    const bool gathered = memo.blockCount() < blocks;
    if (gathered || i % 50 == 0)
      QVERIFY2(drawnAsAfresh(), qPrintable(QStringLiteral("after piece %1").arg(i)));
  }
  // The operator's selection and view are where they were.
  QCOMPARE(memo.textCursor().anchor(), 2);
  QCOMPARE(memo.textCursor().position(), 4);
  if (following)
    QCOMPARE(memo.verticalScrollBar()->value(), memo.verticalScrollBar()->maximum());
  else
    QCOMPARE(memo.verticalScrollBar()->value(), scrolledTo);
  QCOMPARE(memo.text(), expected);
  memo.selectAll();
  memo.copy();
  QCOMPARE(QApplication::clipboard()->text(), expected);
  // A line the operator breaks in two moves every line below it.
  memo.verticalScrollBar()->setValue(0);
  QCoreApplication::processEvents();
  QTextCursor(memo.document()).insertText("\n");
  QCoreApplication::processEvents();
  QVERIFY(drawnAsAfresh());
}

void ReceiveTest::pagesAsAPlainEditor_data() {
  QTest::addColumn<QString>("family");
  QTest::addColumn<int>("pixels");
  QTest::addColumn<QString>("action");
  // Two sets of faces and sizes, each with Latin and Chinese lines of other heights.
  for (const auto &[family, pixels] : {std::pair{"Liberation Sans", 15}, {"Liberation Mono", 14}})
    for (const char *action : {"groove down", "groove up", "PageDown", "PageUp", "wheel"})
      QTest::addRow("%s, %s %d px", action, family, pixels) << family << pixels << action;
}

void ReceiveTest::pagesAsAPlainEditor() {
  QFETCH(QString, family);
  QFETCH(int, pixels);
  QFETCH(QString, action);
  QString text;
  for (int i = 0; i < 300; ++i)
    text += i % 3 ? QStringLiteral("line %1 0123456789 abcdefghij\n").arg(i)
                  : QStringLiteral("嵐樺翔昱 %1\n").arg(i);
  QFont font(family);
  font.setPixelSize(pixels);
  TReceiveMemo memo;
  QPlainTextEdit plain;
  for (QPlainTextEdit *edit : {static_cast<QPlainTextEdit *>(&memo), &plain}) {
    edit->setFont(font);
    edit->resize(169, 315);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setPlainText(text);
    edit->show();
    QVERIFY(QTest::qWaitForWindowExposed(edit));
    QScrollBar *bar = edit->verticalScrollBar();
    const bool up = action.endsWith(QLatin1String("up"), Qt::CaseInsensitive);
    if (up) {
      edit->moveCursor(QTextCursor::End);
      bar->setValue(bar->maximum());
    }
    if (action.startsWith(QLatin1String("groove")))
      QTest::mouseClick(bar, Qt::LeftButton, {},
                        QPoint(bar->width() / 2, up ? 30 : bar->height() - 30));
    else if (action == QLatin1String("wheel")) {
      QWheelEvent wheel(QPointF(20, 20), edit->viewport()->mapToGlobal(QPointF(20, 20)), {},
                        QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(edit->viewport(), &wheel);
    }
    else
      QTest::keyClick(edit, up ? Qt::Key_PageUp : Qt::Key_PageDown);
  }
  const QAbstractTextDocumentLayout *layout = plain.document()->documentLayout();
  const QTextBlock latin = plain.document()->findBlockByNumber(1);
  QVERIFY2(layout->blockBoundingRect(latin).height() !=
               layout->blockBoundingRect(latin.previous()).height(),
           "the lines must differ in height for paging to tell the two apart");
  QVERIFY(plain.verticalScrollBar()->value() > 0);
  QVERIFY(plain.verticalScrollBar()->value() < plain.verticalScrollBar()->maximum());
  QCOMPARE(memo.verticalScrollBar()->value(), plain.verticalScrollBar()->value());
  QCOMPARE(memo.textCursor().position(), plain.textCursor().position());
}

void ReceiveTest::init() {
  if (QByteArray(QTest::currentTestFunction()).startsWith("decodes") ||
      QByteArray(QTest::currentTestFunction()).startsWith("every") ||
      QByteArray(QTest::currentTestFunction()).startsWith("longRun") ||
      QByteArray(QTest::currentTestFunction()).startsWith("pages"))
    return;
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
  auto *memo = Control<QPlainTextEdit>(form.get(), "Memo2");
  QCOMPARE(memo->blockCount(), 2);
  QCOMPARE(memo->document()->firstBlock().text(), QStringLiteral("OK"));
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
  auto *memo = Control<QPlainTextEdit>(form.get(), "Memo2");
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
