// Sequence files: each step as written, printed back so that it parses again alike, and
// every kind of wrong input named by its line and column.
#include "Sequence.h"

#include <QTemporaryDir>
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
  void includes_data();
  void includes();
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
  QTest::newRow("a dollar that is itself")
      << QByteArray("send \"a$b \\${x}\"") << "send \"a$b \\${x}\"" << QByteArray("a$b ${x}");
  QTest::newRow("a variable in text")
      << QByteArray("send \"SN ${serial}\\r\"") << "send \"SN ${serial}\\r\"" << QByteArray();
  QTest::newRow("a pattern as written")
      << QByteArray("expect match \"T=(?<temp>-?[0-9.]+)\\.C\\\"$\" within 500 ms")
      << "expect match \"T=(?<temp>-?[0-9.]+)\\.C\\\"$\" within 500 ms" << QByteArray();
  QTest::newRow("a pattern's settle time")
      << QByteArray("expect match \"T=(?<t>[0-9]+)\" within 2 s settle 200 ms")
      << "expect match \"T=(?<t>[0-9]+)\" within 2000 ms settle 200 ms" << QByteArray();
  QTest::newRow("a percent sign in text") << QByteArray("expect \"50%0\" within 200 ms")
                                          << "expect \"50%0\" within 200 ms" << QByteArray("50%0");
  QTest::newRow("a percent sign in a pattern")
      << QByteArray("expect match \"(?<fw>%1)\" within 200 ms")
      << "expect match \"(?<fw>%1)\" within 200 ms" << QByteArray();
  QTest::newRow("limits") << QByteArray("CHECK temp between -2.5 and 40")
                          << "check temp between -2.5 and 40" << QByteArray();
  QTest::newRow("limits beyond 15 digits")
      << QByteArray("check temp between 0.1 and 666666666666666666666666640")
      << "check temp between 0.1 and 6.666666666666666e+26" << QByteArray();
  QTest::newRow("an exact value") << QByteArray("check fw is \"1.2.${serial}\"")
                                  << "check fw is \"1.2.${serial}\"" << QByteArray();
  QTest::newRow("a value's pattern") << QByteArray("check serial matches \"^[A-Z0-9]{8}$\"")
                                     << "check serial matches \"^[A-Z0-9]{8}$\"" << QByteArray();
  QTest::newRow("a question") << QByteArray("ask serial \"掃描序號\"") << "ask serial \"掃描序號\""
                              << QByteArray();
}

void SequenceFileTest::stepsParseAndPrintBack() {
  QFETCH(QByteArray, line);
  QFETCH(QString, printed);
  QFETCH(QByteArray, bytes);
  // Variables a run sets before it starts.
  const QStringList known{"temp", "fw", "serial"};
  const ParsedSequence parsed = ParseSequence("# a comment\n\n" + line + "\r\n", known);
  QVERIFY2(!parsed.failed, qPrintable(parsed.error.message));
  QCOMPARE(parsed.steps.size(), 1);
  const SequenceStep step = parsed.steps.first();
  QCOMPARE(step.line, 3);
  QCOMPARE(StepText(step), printed);
  QCOMPARE(step.bytes, bytes);
  const ParsedSequence again = ParseSequence(StepText(step).toUtf8(), known);
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
  QTest::newRow("a pattern that does not compile") << QByteArray("expect match \"a(b\"") << 1 << 18;
  QTest::newRow("a variable set by nothing") << QByteArray("send \"${who}\"") << 1 << 9;
  QTest::newRow("a check of nothing") << QByteArray("check x is \"1\"") << 1 << 7;
  QTest::newRow("a variable before its ask") << QByteArray("send \"${x}\"\nask x \"?\"") << 1 << 9;
  QTest::newRow("limits the wrong way round")
      << QByteArray("ask x \"?\"\ncheck x between 40 and 20") << 2 << 17;
  QTest::newRow("a limit that is no number")
      << QByteArray("ask x \"?\"\ncheck x between 1 and abc") << 2 << 23;
  QTest::newRow("an include that is missing") << QByteArray("include \"none.seq\"") << 1 << 9;
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

void SequenceFileTest::includes_data() {
  // Files a.seq to z.seq, "a.seq" run; what it gives: steps, or the error as described.
  QTest::addColumn<QStringList>("files");
  QTest::addColumn<QString>("gives");
  QTest::newRow("steps in place, from their file")
      << QStringList{"open\ninclude \"b.seq\"\nclose", "# b\nsend \"x\""}
      << "open; b.seq:2 send \"x\"; close";
  QTest::newRow("an error names the included file")
      << QStringList{"open\ninclude \"b.seq\"", "send \"x\"\nsend hex 1G"}
      << "b.seq:2:10: not a hex byte: '1G'";
  QTest::newRow("a file that includes itself")
      << QStringList{"include \"b.seq\"", "include \"a.seq\""}
      << "b.seq:1:9: a.seq includes itself";
  QStringList chain;
  for (char c = 'a'; c < 'a' + 18; ++c)
    chain << QStringLiteral("include \"%1.seq\"").arg(QChar(c + 1));
  QTest::newRow("includes 18 deep") << chain << "includes nest deeper than 16";
}

void SequenceFileTest::includes() {
  QFETCH(QStringList, files);
  QFETCH(QString, gives);
  QTemporaryDir dir;
  for (int i = 0; i < files.size(); ++i) {
    QFile file(dir.filePath(QStringLiteral("%1.seq").arg(QChar('a' + i))));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(files[i].toUtf8());
  }
  const ParsedSequence parsed = ReadSequenceFile(dir.filePath("a.seq"));
  QStringList got;
  for (const SequenceStep &step : parsed.steps)
    got << (step.file.isEmpty()
                ? StepText(step)
                : QStringLiteral("%1:%2 %3").arg(step.file).arg(step.line).arg(StepText(step)));
  const QString said = parsed.failed ? DescribeError("a.seq", parsed.error) : got.join("; ");
  QVERIFY2(said.contains(gives), qPrintable(said));
}

QTEST_GUILESS_MAIN(SequenceFileTest)
#include "tst_sequencefile.moc"
