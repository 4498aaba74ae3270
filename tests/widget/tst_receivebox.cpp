// The receive box as the operator meets it: long runs drawn as afresh, paging as any
// editor pages, and the code table appended below what is there.
#include "Harness.h"
#include "ReceiveMemo.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QScrollBar>
#include <QTextBlock>
#include <QtTest>

class ReceiveBoxTest : public QObject {
  Q_OBJECT
private slots:
  void longRunKeepsEveryLineAndThePlace_data();
  void longRunKeepsEveryLineAndThePlace();
  void pagesAsAPlainEditor_data();
  void pagesAsAPlainEditor();
  void pressesAppendBelowWhatIsThere();
  void endKeyFollowsTheStreamAgain();
};

void ReceiveBoxTest::longRunKeepsEveryLineAndThePlace_data() {
  QTest::addColumn<QString>("piece");
  QTest::addColumn<bool>("following");
  // Enough to be gathered into large blocks several times over.
  QTest::newRow("numbered lines, view at the bottom") << "line %1 嵐樺翔昱 0123456789\n" << true;
  QTest::newRow("numbered lines, operator scrolled up") << "line %1 嵐樺翔昱 0123456789\n" << false;
  QTest::newRow("one line with no break") << "%1 no break here, " << true;
  QTest::newRow("breaks only") << "\n\n%1" << true;
}

void ReceiveBoxTest::longRunKeepsEveryLineAndThePlace() {
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
  memo.setSelection(2, 4);
  QString expected = "typed\n";
  int scrolledTo = -1;
  for (int i = 0; expected.size() < 300000; ++i) {
    const QString text = piece.arg(i) + piece.arg(i + 1);
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
    if (i % 25 == 0)
      QVERIFY2(drawnAsAfresh(), qPrintable(QStringLiteral("after piece %1").arg(i)));
  }
  // The operator's selection and view are where they were.
  QCOMPARE(memo.anchorPosition(), 2);
  QCOMPARE(memo.cursorPosition(), 4);
  if (following)
    QCOMPARE(memo.verticalScrollBar()->value(), memo.verticalScrollBar()->maximum());
  else
    QCOMPARE(memo.verticalScrollBar()->value(), scrolledTo);
  QCOMPARE(memo.text(), expected);
  memo.selectWholeText();
  memo.copySelection();
  QCOMPARE(QApplication::clipboard()->text(), expected);
  // A line the operator breaks in two moves every line below it.
  memo.verticalScrollBar()->setValue(0);
  QCoreApplication::processEvents();
  memo.setSelection(0, 0);
  memo.insertText("\n");
  QCoreApplication::processEvents();
  QVERIFY(drawnAsAfresh());
}

void ReceiveBoxTest::pagesAsAPlainEditor_data() {
  QTest::addColumn<QString>("family");
  QTest::addColumn<int>("pixels");
  QTest::addColumn<QString>("action");
  // Two sets of faces and sizes, each with Latin and Chinese lines of other heights.
  for (const auto &[family, pixels] : {std::pair{"Liberation Sans", 15}, {"Liberation Mono", 14}})
    for (const char *action : {"groove down", "groove up", "PageDown", "PageUp", "wheel"})
      QTest::addRow("%s, %s %d px", action, family, pixels) << family << pixels << action;
}

void ReceiveBoxTest::pagesAsAPlainEditor() {
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
  const bool up = action.endsWith(QLatin1String("up"), Qt::CaseInsensitive);
  for (QAbstractScrollArea *edit :
       {static_cast<QAbstractScrollArea *>(&memo), static_cast<QAbstractScrollArea *>(&plain)}) {
    edit->setFont(font);
    edit->resize(169, 315);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->show();
    QVERIFY(QTest::qWaitForWindowExposed(edit));
    // Both measure every line, as the memo measures a stream it follows.
    if (edit == &memo) {
      memo.appendText(text);
      memo.setSelection(0, 0);
    } else {
      plain.setPlainText(text);
      for (QTextBlock b = plain.document()->firstBlock(); b.isValid(); b = b.next())
        plain.document()->documentLayout()->blockBoundingRect(b);
    }
    QScrollBar *bar = edit->verticalScrollBar();
    bar->setValue(0);
    if (up) {
      if (edit == &memo)
        memo.setSelection(text.size(), text.size());
      else
        plain.moveCursor(QTextCursor::End);
      bar->setValue(bar->maximum());
    }
    if (action.startsWith(QLatin1String("groove")))
      QTest::mouseClick(bar, Qt::LeftButton, {},
                        QPoint(bar->width() / 2, up ? 30 : bar->height() - 30));
    else if (action == QLatin1String("wheel")) {
      QWheelEvent wheel(QPointF(20, 20), edit->viewport()->mapToGlobal(QPointF(20, 20)), {},
                        QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(edit->viewport(), &wheel);
    } else
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
  QCOMPARE(memo.cursorPosition(), plain.textCursor().position());
}

void ReceiveBoxTest::pressesAppendBelowWhatIsThere() {
  TrdCom form;
  auto *memo = Control<TReceiveMemo>(&form, "Memo2");
  QTest::keyClicks(memo, "notes");
  Click(&form, "Button1");
  QStringList lines = MemoText(&form).split('\n');
  QCOMPARE(lines.size(), 402);
  QCOMPARE(lines.at(0), QStringLiteral("notes"));
  QCOMPARE(lines.at(1), QStringLiteral("H'3969,1"));
  QCOMPARE(lines.at(400), QStringLiteral("H'7E25,400"));
  QCOMPARE(lines.at(401), QString());

  Click(&form, "Button7");
  Click(&form, "Button1");
  Click(&form, "Button1");
  lines = MemoText(&form).split('\n');
  QCOMPARE(lines.size(), 801);
  QCOMPARE(lines.at(400), QStringLiteral("H'3969,1"));
  QCOMPARE(lines.at(799), QStringLiteral("H'7E25,400"));
}

void ReceiveBoxTest::endKeyFollowsTheStreamAgain() {
  TReceiveMemo memo;
  QFont font("Liberation Sans");
  font.setPixelSize(15);
  memo.setFont(font);
  // A height at which the end line, once at the bottom, leaves less room than the margin.
  memo.resize(169, 309);
  memo.show();
  QVERIFY(QTest::qWaitForWindowExposed(&memo));
  // Lines that wrap, some of them arriving while the operator reads further up.
  auto stream = [&memo](int from, int to) {
    for (int i = from; i < to; ++i)
      memo.appendText(QStringLiteral("line %1 嵐樺翔昱 abc\n").arg(i, 6, 10, QChar('0')));
  };
  stream(0, 200);
  QScrollBar *bar = memo.verticalScrollBar();
  bar->setValue(bar->value() - 30);
  stream(200, 250);
  QVERIFY(bar->value() < bar->maximum());
  QTest::mouseClick(memo.viewport(), Qt::LeftButton, {}, QPoint(30, 30));
  QTest::keyClick(&memo, Qt::Key_End, Qt::ControlModifier);
  stream(250, 260);
  QCOMPARE(bar->value(), bar->maximum());
  QCOMPARE(memo.cursorPosition(), memo.textStore().size());
}

QTEST_MAIN(ReceiveBoxTest)
#include "tst_receivebox.moc"
