// The rules of a sequence run, against a stand-in session on a clock the test moves: how an
// expect matches, consumes and times a reply, what `within` bounds, what counts as stale,
// and how a discard, a lost line and a failure end a step and the pass.
#include "Reports.h"
#include "RunText.h"
#include "SequenceRunner.h"
#include "StandIns.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <ctime>

namespace {
// A scripted device: "HEARD=REPLY@MS" answers a write holding HEARD with REPLY, MS after
// it; "@MS:BYTES" sends BYTES at MS from the start; "@MS:discard N" and "@MS:lost" throw
// a backlog of N bytes away or lose the line then.
void Script(TStandInSession &session, const QStringList &script) {
  QList<std::pair<QByteArray, std::pair<QByteArray, int>>> answers;
  for (const QString &line : script) {
    const QByteArray text = line.toUtf8().replace("\\r", "\r").replace("\\n", "\n");
    if (text.startsWith('@')) {
      const int ms = text.mid(1, text.indexOf(':') - 1).toInt();
      const QByteArray what = text.mid(text.indexOf(':') + 1);
      session.at(ms, [&session, what] {
        if (what == "lost")
          session.loseLine();
        else if (what.startsWith("discard "))
          session.discard(what.mid(8).toLongLong());
        else
          session.arrive(what);
      });
      continue;
    }
    const qsizetype eq = text.indexOf('='), at = text.lastIndexOf('@');
    answers.append({text.left(eq), {text.mid(eq + 1, at - eq - 1), text.mid(at + 1).toInt()}});
  }
  session.device = [&session, answers](const QByteArray &heard) {
    for (const auto &[trigger, reply] : answers)
      if (heard.contains(trigger))
        session.arrive(reply.first, reply.second);
  };
}
} // namespace

class RunnerTest : public QObject {
  Q_OBJECT
private slots:
  void verdicts_data();
  void verdicts();
  void measures_data();
  void measures();
  void sweepKeepsItsPace();
  void reportTellsPassesApart();
  void stoppedRunIsNoPass_data();
  void stoppedRunIsNoPass();
  void includedStepsNameTheirFile();
};

void RunnerTest::verdicts_data() {
  QTest::addColumn<QByteArray>("file");
  QTest::addColumn<QStringList>("script");
  QTest::addColumn<int>("readLagMs");
  QTest::addColumn<int>("repeat");
  // A letter a step of the last pass: P passed, F failed, S skipped.
  QTest::addColumn<QString>("verdicts");
  // The reply time of the last expect that passed, or -1.
  QTest::addColumn<int>("replyMs");
  // Part of the first failure's reason.
  QTest::addColumn<QString>("reason");

  QTest::newRow("a reply read late is timed where it arrived")
      << QByteArray("open\nsend \"D5\"\nexpect \"R5\" within 30 ms") << QStringList{"D5=R5@5"} << 36
      << 1 << "PPP" << 5 << "";
  QTest::newRow("bytes from before a write answer nothing after it")
      << QByteArray("open\nwait 20 ms\nsend \"PING\"\nexpect \"STALE\" within 100 ms")
      << QStringList{"@8:STALE"} << 0 << 1 << "PPPF" << -1 << "not received within 100 ms";
  QTest::newRow("within bounds the reply time, not the step")
      << QByteArray("open\nsend \"D800\"\nwait 400 ms\nexpect \"R800\" within 500 ms")
      << QStringList{"D800=R800@800"} << 0 << 1 << "PPPF" << -1 << "not received within 500 ms";
  QTest::newRow("the reply time is the completing chunk's")
      << QByteArray("open\nsend \"X\"\nwait 300 ms\nexpect \"PO\" within 100 ms")
      << QStringList{"X=PO@0", "X=NG@100"} << 0 << 1 << "PPPP" << 0 << "";
  QTest::newRow("a match consumes up to its end; the rest stays")
      << QByteArray("open\nsend \"Q\"\nexpect \"A\"\nexpect \"B\" within 10 ms")
      << QStringList{"Q=AB@5"} << 0 << 1 << "PPPP" << 0 << "";
  QTest::newRow("expect nothing sees what a match left")
      << QByteArray("open\nsend \"PING\"\nexpect \"PONG\\r\\n\"\nexpect nothing for 300 ms")
      << QStringList{"PING=PONG\\r\\nEXTRA@1"} << 0 << 1 << "PPPF" << 1 << "5 bytes arrived";
  QTest::newRow("a discard during a wait fails the wait")
      << QByteArray("open\nsend \"FLOOD\"\nwait 300 ms\nexpect \"END\"")
      << QStringList{"@100:discard 3005"} << 0 << 1 << "PPFS" << -1 << "3005 bytes discarded";
  QTest::newRow("a lost line fails the step, the rest are skipped and say why")
      << QByteArray("open\nsend \"AT\"\nexpect \"OK\" within 3 s\nclose")
      << QStringList{"@100:lost"} << 0 << 1 << "PPFS" << -1 << "line lost";
  QTest::newRow("what waited before the open answers nothing")
      << QByteArray("open\nexpect \"OLD\" within 100 ms") << QStringList{"@0:OLD"} << 0 << 1 << "PF"
      << -1 << "not received";
  QTest::newRow("a press needs an open port")
      << QByteArray("eend\nclose") << QStringList{} << 0 << 1 << "FS" << -1 << "not open";
  QTest::newRow("a late answer passes no later pass")
      << QByteArray("open\nsend \"Q\"\nexpect \"A\" within 500 ms\nclose") << QStringList{"Q=A@520"}
      << 0 << 4 << "PPFS" << -1 << "not received within 500 ms";
}

void RunnerTest::verdicts() {
  QFETCH(QByteArray, file);
  QFETCH(QStringList, script);
  QFETCH(int, readLagMs);
  QFETCH(int, repeat);
  QFETCH(QString, verdicts);
  QFETCH(int, replyMs);
  QFETCH(QString, reason);
  TStandInSession session;
  session.readLagMs = readLagMs;
  Script(session, script);
  SequenceRunner runner(&session);
  const ParsedSequence parsed = ParseSequence(file);
  QVERIFY(!parsed.failed);
  runner.start(parsed.steps, repeat, true);
  for (int ms = 0; runner.running() && ms < 60000; ++ms)
    session.time.advance(1);
  QVERIFY(!runner.running());
  QCOMPARE(runner.passCount(), repeat);
  QString got;
  qint64 lastReply = -1;
  QString firstFailure;
  for (const SequenceRunner::Result &r : runner.passes().last().results) {
    got += "WRPFS"[int(r.state)];
    if (r.state == SequenceRunner::State::Passed && r.replyMs >= 0)
      lastReply = r.replyMs;
    if (r.state == SequenceRunner::State::Failed && firstFailure.isEmpty())
      firstFailure = r.message;
  }
  QCOMPARE(got, verdicts);
  QCOMPARE(lastReply, qint64(replyMs));
  QVERIFY2(firstFailure.contains(reason), qPrintable(firstFailure));
  if (verdicts.contains('S'))
    QVERIFY(runner.passes().last().results.last().message.startsWith("after the failure"));
  QCOMPARE(runner.failedPasses(), verdicts.contains('F') ? repeat : 0);
}

void RunnerTest::measures_data() {
  QTest::addColumn<QByteArray>("file");
  QTest::addColumn<QStringList>("script");
  QTest::addColumn<QStringList>("preset");
  QTest::addColumn<QString>("verdicts");
  // The last step's values as shown, or its reason when it failed.
  QTest::addColumn<QString>("said");
  const QByteArray reading = "open\nsend \"T?\"\nexpect match \"T=(?<temp>\\S+)C\" within 100 ms\n";
  QTest::newRow("a captured value within its limits")
      << reading + "check temp between 20 and 40" << QStringList{"T?=T=31.5C@5"} << QStringList{}
      << "PPPP"
      << "temp = 31.5";
  QTest::newRow("a value out of its limits")
      << reading + "check temp between 20 and 40" << QStringList{"T?=T=41.2C@5"} << QStringList{}
      << "PPPF"
      << "temp = 41.2, not between 20 and 40";
  QTest::newRow("a value that is no number")
      << reading + "check temp between 20 and 40" << QStringList{"T?=T=warmC@5"} << QStringList{}
      << "PPPF"
      << "temp = warm: not a number";
  QTest::newRow("an exact value") << reading + "check temp is \"31.5\""
                                  << QStringList{"T?=T=31.0C@5"} << QStringList{} << "PPPF"
                                  << "temp = 31.0, not \"31.5\"";
  QTest::newRow("an answer put in what is sent and expected")
      << QByteArray("open\nask serial \"Scan\"\nsend \"SN ${serial}\\r\"\n"
                    "expect \"${serial} OK\"\ncheck serial matches \"^[A-Z0-9]{4}$\"")
      << QStringList{"SN AB12\\r=AB12 OK@3"} << QStringList{"serial=AB12"} << "PPPPP"
      << "serial = AB12";
  QTest::newRow("a value put into a pattern as text")
      << QByteArray("open\nask v \"?\"\nsend \"V\"\nexpect match \"=${v}$\" within 50 ms")
      << QStringList{"V=1x2@3"} << QStringList{"v=1.2"} << "PPPF"
      << "not received";
  QTest::newRow("a pattern that backtracks without end")
      << QByteArray("open\nexpect match \"^(a+)+$\" within 200 ms")
      << QStringList{"@1:" + QString(60000, 'a') + '!'} << QStringList{} << "PF"
      << "match limit";
  // A value comes from the whole reply, however the line cuts it.
  const QByteArray temp =
      "open\nsend \"T?\"\nexpect match \"T=(?<temp>-?[0-9.]+)\" within 500 ms\n";
  QTest::newRow("a reply split in three is read whole")
      << temp + "check temp between 0 and 40"
      << QStringList{"T?=T=5@5", "T?=5.@25", "T?=2C\\r\\n@45"} << QStringList{} << "PPPF"
      << "temp = 55.2, not between 0 and 40";
  QTest::newRow("a reply cut short is taken once the line is quiet")
      << temp + "check temp between 0 and 40" << QStringList{"T?=T=5@5"} << QStringList{} << "PPPP"
      << "temp = 5";
  for (const char *nan : {"nan", "NaN", "NAN", " nan"})
    QTest::newRow(qPrintable(QStringLiteral("'%1' is no number").arg(nan)))
        << QByteArray("check temp between 20 and 40") << QStringList{}
        << QStringList{QStringLiteral("temp=%1").arg(nan)} << "F"
        << "not a number";
  QTest::newRow("infinity is not within limits") << QByteArray("check temp between 20 and 40")
                                                 << QStringList{} << QStringList{"temp=inf"} << "F"
                                                 << "not finite";
  QTest::newRow("an empty match is no reply")
      << QByteArray("open\nsend \"FW?\"\nexpect match \"(?<fw>[0-9.]*)\" within 100 ms")
      << QStringList{} << QStringList{} << "PPF"
      << "not received within 100 ms";
  QTest::newRow("an optional reply matched by silence is no reply")
      << QByteArray("open\nsend \"FW?\"\nexpect match \"^(FW 9.9.9)?$\" within 100 ms")
      << QStringList{} << QStringList{} << "PPF"
      << "not received within 100 ms";
  QTest::newRow("an empty answer in an expect")
      << QByteArray("open\nask serial \"Scan\"\nexpect \"SN ${serial}\" within 100 ms")
      << QStringList{"@1:SN "} << QStringList{"serial="} << "PPF"
      << "serial is empty";
  QTest::newRow("an empty capture in a send")
      << QByteArray("open\nsend \"FW?\"\nexpect match \"FW(?<fw>[0-9.]*)\\r\" within 100 ms\n"
                    "send \"SET ${fw}\"")
      << QStringList{"FW?=FW\\r\\n@2"} << QStringList{} << "PPPF"
      << "fw is empty";
  for (const char *lacking : {"AB\u00e912", "AB\U0001F600"})
    QTest::newRow(qPrintable(QStringLiteral("an answer with %1, which Big5 lacks").arg(lacking)))
        << QByteArray("open\nask serial \"Scan\"\nsend \"SN ${serial}\"") << QStringList{}
        << QStringList{QStringLiteral("serial=") + QString::fromUtf8(lacking)} << "PPF"
        << "no Big5 code";
}

void RunnerTest::measures() {
  QFETCH(QByteArray, file);
  QFETCH(QStringList, script);
  QFETCH(QStringList, preset);
  QFETCH(QString, verdicts);
  QFETCH(QString, said);
  TStandInSession session;
  Script(session, script);
  SequenceRunner runner(&session);
  QHash<QString, QString> values;
  for (const QString &p : preset)
    values.insert(p.section('=', 0, 0), p.section('=', 1));
  runner.setVariables(values);
  const ParsedSequence parsed = ParseSequence(file, values.keys());
  QVERIFY2(!parsed.failed, qPrintable(parsed.error.message));
  runner.start(parsed.steps, 1, false);
  for (int ms = 0; runner.running() && ms < 60000; ++ms)
    session.time.advance(1);
  QString got;
  for (const SequenceRunner::Result &r : runner.passes().last().results)
    got += "WRPFS"[int(r.state)];
  QCOMPARE(got, verdicts);
  const SequenceRunner::Result &last = runner.passes().last().results.last();
  const QString shown =
      last.state == SequenceRunner::State::Failed ? last.message : ValuesText(last);
  QVERIFY2(shown.contains(said), qPrintable(shown));
}

void RunnerTest::sweepKeepsItsPace() {
  TStandInSession session;
  QList<qint64> at;
  connect(&session, &TSession::wrote, [&at](const TxWrite &w) { at << w.endNs; });
  SequenceRunner runner(&session);
  runner.start(ParseSequence("open\nascii-demo").steps, 1, false);
  while (runner.running())
    session.time.advance(1);
  QCOMPARE(runner.passedSteps(), 2);
  QCOMPARE(at.size(), kSweepLast - kSweepFirst + 1);
  QCOMPARE(session.writes.first(), QByteArray("\x21"));
  QCOMPARE(session.writes.last(), QByteArray("\xFE"));
  for (int i = 1; i < at.size(); ++i)
    QCOMPARE(at[i] - at[i - 1], 100 * kNsPerMs);
}

void RunnerTest::reportTellsPassesApart() {
  TStandInSession session;
  int passes = 0;
  session.device = [&](const QByteArray &) {
    if (++passes == 2)
      session.arrive("OK", 5);
  };
  SequenceRunner runner(&session);
  runner.start(
      ParseSequence("open COM2 9600\nsend \"AT\"\nexpect \"OK\" within 50 ms\nclose").steps, 2,
      true, "at.seq");
  while (runner.running())
    session.time.advance(1);
  QTemporaryDir dir;
  QString error;
  QVERIFY(WriteReport(dir.filePath("r.xml"), runner.record(), &error));
  QFile file(dir.filePath("r.xml"));
  QVERIFY(file.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&file);
  QStringList classes, properties, skipped;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement)
      continue;
    const QXmlStreamAttributes a = xml.attributes();
    if (xml.name() == QLatin1String("testcase"))
      classes << a.value("classname").toString();
    else if (xml.name() == QLatin1String("property"))
      properties << a.value("name").toString() + QLatin1Char('=') + a.value("value").toString();
    else if (xml.name() == QLatin1String("skipped"))
      skipped << a.value("message").toString();
  }
  QVERIFY(!xml.hasError());
  QCOMPARE(classes.size(), 8);
  QCOMPARE(classes.first(), QStringLiteral("at.seq pass 1"));
  QCOMPARE(classes.last(), QStringLiteral("at.seq pass 2"));
  QVERIFY2(properties.contains("device=COM2") && properties.contains("reply_ms=5"),
           qPrintable(properties.join(' ')));
  QCOMPARE(skipped, QStringList{"after the failure at line 3"});
}

void RunnerTest::stoppedRunIsNoPass_data() {
  QTest::addColumn<int>("stopInPass");
  QTest::addColumn<bool>("betweenPasses");
  QTest::addColumn<int>("passesRun");
  QTest::newRow("stopped between passes") << 2 << true << 2;
  QTest::newRow("stopped during a step") << 3 << false << 3;
}

void RunnerTest::stoppedRunIsNoPass() {
  QFETCH(int, stopInPass);
  QFETCH(bool, betweenPasses);
  QFETCH(int, passesRun);
  // Eight hours east of UTC, whatever the machine's zone: times carry their offset.
  const QByteArray zone = qgetenv("TZ");
  qputenv("TZ", "TST-8");
  tzset();
  TStandInSession session;
  session.device = [&session](const QByteArray &) { session.arrive("OK", 5); };
  SequenceRunner runner(&session);
  connect(&runner, &SequenceRunner::passFinished, [&](int pass) {
    if (betweenPasses && pass == stopInPass)
      runner.stop();
  });
  connect(&runner, &SequenceRunner::stepStarted, [&](int index) {
    if (!betweenPasses && runner.passCount() == stopInPass && index == 2)
      runner.stop();
  });
  runner.start(ParseSequence("open\nsend \"AT\"\nexpect \"OK\" within 50 ms\nclose").steps, 5,
               false, "at.seq");
  for (int ms = 0; runner.running() && ms < 60000; ++ms)
    session.time.advance(1);
  QTemporaryDir dir;
  QString error;
  QVERIFY(WriteReport(dir.filePath("r.json"), runner.record(), &error));
  QVERIFY(WriteReport(dir.filePath("r.jsonl"), runner.record(), &error));
  QVERIFY(WriteReport(dir.filePath("r.xml"), runner.record(), &error));
  qputenv("TZ", zone);
  tzset();
  QFile json(dir.filePath("r.json"));
  QVERIFY(json.open(QIODevice::ReadOnly));
  const QJsonObject record = QJsonDocument::fromJson(json.readAll()).object();
  QCOMPARE(record["verdict"].toString(), QStringLiteral("STOPPED"));
  QCOMPARE(record["passes_asked"].toInt(), 5);
  QCOMPARE(record["passes_run"].toInt(), passesRun);
  QVERIFY2(record["reason"].toString().contains("stopped"),
           qPrintable(record["reason"].toString()));
  QVERIFY2(record["started"].toString().endsWith("+08:00"),
           qPrintable(record["started"].toString()));
  QFile lines(dir.filePath("r.jsonl"));
  QVERIFY(lines.open(QIODevice::ReadOnly));
  const QList<QByteArray> each = lines.readAll().trimmed().split('\n');
  QCOMPARE(QJsonDocument::fromJson(each.last()).object()["verdict"].toString(),
           QStringLiteral("STOPPED"));
  QFile xml(dir.filePath("r.xml"));
  QVERIFY(xml.open(QIODevice::ReadOnly));
  QXmlStreamReader junit(&xml);
  QStringList errors, stamps;
  while (!junit.atEnd())
    if (junit.readNext() == QXmlStreamReader::StartElement) {
      if (junit.name() == QLatin1String("error"))
        errors << junit.attributes().value("message").toString();
      if (junit.name() == QLatin1String("testsuite"))
        stamps << junit.attributes().value("timestamp").toString();
    }
  QCOMPARE(errors.size(), 1);
  QVERIFY2(errors.first().contains("stopped"), qPrintable(errors.first()));
  QVERIFY2(stamps.first().endsWith("+08:00"), qPrintable(stamps.first()));
}

void RunnerTest::includedStepsNameTheirFile() {
  QTemporaryDir dir;
  auto write = [&dir](const char *name, const QByteArray &text) {
    QFile file(dir.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
  };
  write("main.seq", "open\ninclude \"common.seq\"\ninclude \"common.seq\"\nclose\n");
  write("common.seq", "send \"A\"\nexpect \"A\" within 50 ms\n");
  const ParsedSequence parsed = ReadSequenceFile(dir.filePath("main.seq"));
  QVERIFY(!parsed.failed);
  TStandInSession session;
  int writes = 0;
  // The second time round, nothing answers.
  session.device = [&](const QByteArray &bytes) {
    if (++writes == 1)
      session.arrive(bytes, 1);
  };
  SequenceRunner runner(&session);
  QStringList lines;
  connect(&runner, &SequenceRunner::stepFinished,
          [&](int index, const SequenceRunner::Result &result) {
            lines << ResultLine(runner.steps()[index], result).section('\n', 0, 0);
          });
  runner.start(parsed.steps, 1, false, "main.seq");
  for (int ms = 0; runner.running() && ms < 60000; ++ms)
    session.time.advance(1);
  QVERIFY2(lines.value(1).startsWith("PASS common.seq:1: send"), qPrintable(lines.join('\n')));
  QVERIFY2(lines.value(4).startsWith("FAIL common.seq:2: expect"), qPrintable(lines.join('\n')));
  QCOMPARE(runner.passes().last().results.last().message,
           QStringLiteral("after the failure at common.seq:2"));
  QString error;
  QVERIFY(WriteReport(dir.filePath("r.xml"), runner.record(), &error));
  QFile file(dir.filePath("r.xml"));
  QVERIFY(file.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&file);
  QStringList names;
  while (!xml.atEnd())
    if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("testcase"))
      names << xml.attributes().value("name").toString();
  QCOMPARE(names.size(), 6);
  QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), 6);
  QVERIFY2(names[1].startsWith("common.seq:1: "), qPrintable(names.join('\n')));
}

QTEST_GUILESS_MAIN(RunnerTest)
#include "tst_runner.moc"
