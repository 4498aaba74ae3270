// Sequence files: each step as written, printed back so that it parses again alike, and
// every kind of wrong input named by its line and column.
#include "Sequence.h"

#include <QtTest>

class SequenceFileTest : public QObject {
  Q_OBJECT
private slots:
  void stepsParseAndPrintBack_data();
  void stepsParseAndPrintBack();
  void wrongInputIsPlaced_data();
  void wrongInputIsPlaced();
  void anyLineEnding_data();
  void anyLineEnding();
};

void SequenceFileTest::stepsParseAndPrintBack_data() {
  QTest::addColumn<QByteArray>("line");
  QTest::addColumn<QString>("printed");
  QTest::addColumn<QByteArray>("bytes");
  QTest::newRow("open, any case") << QByteArray("OPEN com2 19200") << "open COM2 19200"
                                  << QByteArray();
  QTest::newRow("open as chosen") << QByteArray("  open  ") << "open" << QByteArray();
  QTest::newRow("Big5 text") << QByteArray("send \"嵐\"") << "send \"嵐\""
                             << QByteArray::fromHex("b450");
  QTest::newRow("hex keeps zero") << QByteArray("send hex 00 ff") << "send hex 00 FF"
                                  << QByteArray::fromHex("00ff");
  QTest::newRow("escaped zero") << QByteArray("send \"\\x00\"") << "send \"\\x00\""
                                << QByteArray(1, '\0');
  QTest::newRow("escapes") << QByteArray("send \"a\\\"b\\\\\\r\\n\\t\"")
                           << "send \"a\\\"b\\\\\\r\\n\\t\"" << QByteArray("a\"b\\\r\n\t");
  QTest::newRow("hash in quotes, comment after")
      << QByteArray("send \"a#b\" # note") << "send \"a#b\"" << QByteArray("a#b");
  QTest::newRow("expect, default limit")
      << QByteArray("expect \"OK\"") << "expect \"OK\" within 1000 ms" << QByteArray("OK");
  QTest::newRow("expect hex, seconds") << QByteArray("Expect HEX 06 within 2 s")
                                       << "expect hex 06 within 2000 ms" << QByteArray("\x06");
  QTest::newRow("expect nothing") << QByteArray("expect nothing for 300ms")
                                  << "expect nothing for 300 ms" << QByteArray();
  QTest::newRow("wait") << QByteArray("wait 250 ms") << "wait 250 ms" << QByteArray();
  QTest::newRow("buttons") << QByteArray("Initial-VFD") << "initial-vfd" << QByteArray();
}

void SequenceFileTest::stepsParseAndPrintBack() {
  QFETCH(QByteArray, line);
  QFETCH(QString, printed);
  QFETCH(QByteArray, bytes);
  const ParsedSequence parsed = ParseSequence("# a comment\n\n" + line + "\r\n");
  QVERIFY2(!parsed.failed, qPrintable(parsed.error.message));
  QCOMPARE(parsed.steps.size(), 1);
  const SequenceStep step = parsed.steps.first();
  QCOMPARE(step.line, 3);
  QCOMPARE(StepText(step), printed);
  QCOMPARE(step.bytes, bytes);
  const ParsedSequence again = ParseSequence(StepText(step).toUtf8());
  QCOMPARE(again.steps.value(0).bytes, step.bytes);
  QCOMPARE(again.steps.value(0).ms, step.ms);
  QCOMPARE(StepText(again.steps.value(0)), printed);
}

void SequenceFileTest::wrongInputIsPlaced_data() {
  QTest::addColumn<QByteArray>("file");
  QTest::addColumn<int>("line");
  QTest::addColumn<int>("column");
  QTest::newRow("empty") << QByteArray() << 1 << 1;
  QTest::newRow("only comments") << QByteArray("# nothing\n\n") << 2 << 1;
  QTest::newRow("not UTF-8") << QByteArray("send \"ab\xB4\x50\"") << 1 << 9;
  QTest::newRow("unknown keyword") << QByteArray("open\n  frobnicate") << 2 << 3;
  QTest::newRow("unterminated") << QByteArray("send \"abc") << 1 << 6;
  QTest::newRow("bad escape") << QByteArray("send \"a\\xG1\"") << 1 << 8;
  QTest::newRow("unknown escape") << QByteArray("send \"\\q\"") << 1 << 7;
  QTest::newRow("bad hex byte") << QByteArray("send hex 1G") << 1 << 10;
  QTest::newRow("hex byte too big") << QByteArray("send hex 00 100") << 1 << 13;
  QTest::newRow("no hex bytes") << QByteArray("send hex") << 1 << 9;
  QTest::newRow("negative time") << QByteArray("expect hex 06 within -1 ms") << 1 << 22;
  QTest::newRow("time too long") << QByteArray("expect hex 06 within 99999999999 ms") << 1 << 22;
  QTest::newRow("missing time") << QByteArray("wait") << 1 << 5;
  QTest::newRow("missing unit") << QByteArray("wait 20 parsecs") << 1 << 8;
  QTest::newRow("trailing word") << QByteArray("close now") << 1 << 7;
  QTest::newRow("bad speed") << QByteArray("open COM1 115200") << 1 << 11;
  QTest::newRow("empty text to send") << QByteArray("send \"\"") << 1 << 6;
  QTest::newRow("empty text to expect") << QByteArray("open\nexpect \"\" within 1 s") << 2 << 8;
  QTest::newRow("a character Big5 lacks") << QByteArray("send \"a\xF0\x9F\x98\x80\"") << 1 << 8;
  QTest::newRow("line of 1 MB") << "send \"" + QByteArray(1 << 20, 'a') + '"' << 1
                                << kLongestLine + 1;
}

void SequenceFileTest::wrongInputIsPlaced() {
  QFETCH(QByteArray, file);
  QFETCH(int, line);
  QFETCH(int, column);
  const ParsedSequence parsed = ParseSequence(file);
  QVERIFY(parsed.failed);
  QVERIFY(parsed.steps.isEmpty());
  QCOMPARE(parsed.error.line, line);
  QCOMPARE(parsed.error.column, column);
  QVERIFY(!parsed.error.message.isEmpty());
}

void SequenceFileTest::anyLineEnding_data() {
  QTest::addColumn<QByteArray>("lineEnd");
  QTest::newRow("LF") << QByteArray("\n");
  QTest::newRow("CR LF") << QByteArray("\r\n");
  QTest::newRow("lone CR") << QByteArray("\r");
}

void SequenceFileTest::anyLineEnding() {
  QFETCH(QByteArray, lineEnd);
  const ParsedSequence parsed =
      ParseSequence("open" + lineEnd + lineEnd + "send \"a\"" + lineEnd + "close" + lineEnd);
  QVERIFY2(!parsed.failed, qPrintable(parsed.error.message));
  QCOMPARE(parsed.steps.size(), 3);
  QCOMPARE(parsed.steps[1].line, 3);
  QCOMPARE(parsed.steps[1].bytes, QByteArray("a"));
  QCOMPARE(parsed.steps[2].line, 4);
}

QTEST_GUILESS_MAIN(SequenceFileTest)
#include "tst_sequencefile.moc"
