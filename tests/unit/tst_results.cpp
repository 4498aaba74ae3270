// The results store: where a name says results go, a run stored and read back exactly
// whatever its text, a store that is no store refused, and many writers at once.
#include "Delivery.h"
#include "History.h"
#include "ResultStore.h"
#include "Schema.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>

namespace {
// A run of one pass: a check of serial and a value that holds the text.
RunRecord Record(const QString &serial, const QString &text, Verdict verdict = Verdict::Pass) {
  RunRecord record;
  record.id = QUuid::createUuid();
  record.sequence = QStringLiteral("unit.seq");
  record.sequenceHash = "ab12";
  record.host = QStringLiteral("bench-3");
  record.started = QDateTime::currentDateTime();
  record.ended = record.started.addMSecs(120);
  record.passesRun = 1;
  SequenceStep ask;
  ask.kind = SequenceStep::Ask;
  ask.line = 1;
  ask.source = QStringLiteral("ask serial \"SN\"");
  SequenceStep check;
  check.kind = SequenceStep::Check;
  check.line = 2;
  check.file = QStringLiteral("common.seq");
  check.source = QStringLiteral("check value between 1 and 2");
  check.variable = QStringLiteral("value");
  check.low = 1;
  check.high = 2;
  record.steps = {ask, check};
  PassRecord pass;
  pass.number = 1;
  pass.started = record.started;
  pass.device = QStringLiteral("/dev/ttyUSB0");
  pass.settings = QStringLiteral("38400,8,N,1");
  pass.variables = {{QStringLiteral("serial"), serial}, {QStringLiteral("value"), text}};
  StepResult asked;
  asked.state = StepState::Passed;
  asked.values = {{QStringLiteral("serial"), serial}};
  StepResult checked;
  checked.state = verdict == Verdict::Pass ? StepState::Passed : StepState::Failed;
  checked.values = {{QStringLiteral("value"), text}};
  checked.message = verdict == Verdict::Pass ? QString() : QStringLiteral("value = ") + text;
  pass.results = {asked, checked};
  record.passes = {pass};
  record.passedSteps = verdict == Verdict::Pass ? 2 : 1;
  record.failedSteps = verdict == Verdict::Pass ? 0 : 1;
  record.unitFailed = verdict == Verdict::Fail;
  return record;
}

ResultsTarget At(const QString &file) {
  ResultsTarget target;
  target.file = file;
  return target;
}
} // namespace

class ResultsTest : public QObject {
  Q_OBJECT
private slots:
  void storeByName_data();
  void storeByName();
  void textComesBackExactly_data();
  void textComesBackExactly();
  void whatIsNoStoreIsRefused_data();
  void whatIsNoStoreIsRefused();
  void manyWritersAtOnce();
  void anOlderStoreIsUpgradedInPlace();
};

void ResultsTest::storeByName_data() {
  QTest::addColumn<QString>("where");
  // What the store is called, or "refused".
  QTest::addColumn<QString>("name");
  QTest::newRow("none") << "NONE"
                        << "none";
  QTest::newRow("a file") << "/var/bench/r.sqlite"
                          << "sqlite:/var/bench/r.sqlite";
  QTest::newRow("sqlite:FILE") << "sqlite:/var/bench/../bench/r.sqlite"
                               << "sqlite:/var/bench/r.sqlite";
  QTest::newRow("a server, its port") << "postgresql://tester@db.local:5433/results"
                                      << "postgresql://tester@db.local:5433/results";
  QTest::newRow("a password is never named") << "postgres://tester:s3cret@db/results"
                                             << "postgresql://tester@db:5432/results";
  QTest::newRow("a server without a user") << "postgresql://db/results"
                                           << "refused";
  QTest::newRow("a server without a database") << "postgresql://tester@db/"
                                               << "refused";
  QTest::newRow("a scheme we do not know") << "mysql://tester@db/results"
                                           << "refused";
}

void ResultsTest::storeByName() {
  QFETCH(QString, where);
  QFETCH(QString, name);
  QString problem;
  const std::optional<ResultsTarget> target = ParseResultsTarget(where, &problem);
  // A file is named as its absolute path, which on Windows has a drive.
  QCOMPARE(target ? target->name() : QStringLiteral("refused"),
           QString(name).replace("sqlite:/var/bench",
                                 "sqlite:" + QFileInfo("/var/bench").absoluteFilePath()));
  QVERIFY(target || !problem.isEmpty());
  QVERIFY(!problem.contains("s3cret"));
}

void ResultsTest::textComesBackExactly_data() {
  QTest::addColumn<QString>("text");
  QTest::newRow("quotes") << R"(he said "it's 'fine'")";
  QTest::newRow("a statement") << "'; DROP TABLE runs; --";
  QTest::newRow("NUL characters") << QString::fromUtf16(u"a\0b\0", 4);
  QTest::newRow("Big5 that reads as nothing") << QString::fromUtf16(u"\uFFFD\uFFFD");
  QTest::newRow("the server's own escape") << QString::fromUtf16(u"\uFDD0\\0 as typed");
}

void ResultsTest::textComesBackExactly() {
  QFETCH(QString, text);
  QTemporaryDir dir;
  ResultStore store;
  QVERIFY2(store.open(At(dir.filePath("r.sqlite"))), qPrintable(store.problem()));
  const RunRecord record = Record(text, text, Verdict::Fail);
  QVERIFY2(store.storeRun(record), qPrintable(store.problem()));
  QString problem;
  const QList<StoredRun> runs = UnitHistory(store.database(), text, true, false, &problem);
  QCOMPARE(runs.size(), 1);
  QCOMPARE(runs[0].verdict, QStringLiteral("FAIL"));
  QCOMPARE(runs[0].failedStep, QStringLiteral("common.seq:2: check value between 1 and 2"));
  QCOMPARE(runs[0].steps[1].message, QStringLiteral("value = ") + text);
  QCOMPARE(runs[0].values.last(), std::pair(QStringLiteral("value"), text));
  // What a server cannot hold goes there escaped, and comes back as it was.
  QCOMPARE(FromServerText(ToServerText(text)), text);
  QVERIFY(!ToServerText(text).contains(QChar(0)));
}

void ResultsTest::whatIsNoStoreIsRefused_data() {
  QTest::addColumn<QString>("file");
  QTest::addColumn<QString>("reason");
  QTest::newRow("a folder") << "%dir"
                            << "a folder";
  QTest::newRow("a file that is no store") << "%dir/notes.txt"
                                           << "not a database";
  QTest::newRow("a folder that is missing") << "%dir/none/r.sqlite"
                                            << "no such folder";
  QTest::newRow("a store of a newer tool") << "%dir/newer.sqlite"
                                           << "made by a newer glow-panel";
}

void ResultsTest::whatIsNoStoreIsRefused() {
  QFETCH(QString, file);
  QFETCH(QString, reason);
  QTemporaryDir dir;
  {
    QFile notes(dir.filePath("notes.txt"));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.write(QByteArray(4096, 'x'));
  }
  {
    ResultStore newer;
    QVERIFY(newer.open(At(dir.filePath("newer.sqlite"))));
    QVERIFY(
        QSqlQuery(newer.database())
            .exec(
                QStringLiteral("UPDATE schema_version SET version = %1").arg(kSchemaVersion + 1)));
  }
  ResultStore store;
  QVERIFY(!store.open(At(QString(file).replace("%dir", dir.path()))));
  QVERIFY2(store.problem().contains(reason), qPrintable(store.problem()));
}

void ResultsTest::manyWritersAtOnce() {
  // A rack's devices and the board's tiles store at the same moments, each with its own
  // connection, and none is told the store is locked.
  QTemporaryDir dir;
  constexpr int kWriters = 8, kRuns = 25;
  std::atomic<int> failed{0};
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w)
    writers.emplace_back([&, w] {
      ResultStore store;
      bool ok = store.open(At(dir.filePath("r.sqlite")));
      for (int r = 0; ok && r < kRuns; ++r)
        ok = store.storeRun(Record(QStringLiteral("GP%1").arg(w), QString::number(r)));
      if (!ok) {
        ++failed;
        qWarning() << store.problem();
      }
    });
  for (std::thread &t : writers)
    t.join();
  QCOMPARE(failed.load(), 0);
  ResultStore store;
  QVERIFY(store.open(At(dir.filePath("r.sqlite"))));
  QCOMPARE(store.runCount(), qint64(kWriters * kRuns));
}

void ResultsTest::anOlderStoreIsUpgradedInPlace() {
  // A store of the first version: its steps and values had no time of their own.
  QTemporaryDir dir;
  const QString file = dir.filePath("r.sqlite");
  const RunRecord old = Record(QStringLiteral("GP1"), QStringLiteral("1.5"));
  {
    ResultStore store;
    QVERIFY(store.open(At(file)));
    QVERIFY(store.storeRun(old));
    QSqlQuery query(store.database());
    for (const char *sql : {"DROP INDEX steps_failed", "DROP INDEX steps_replies",
                            "DROP INDEX values_limits", "ALTER TABLE steps DROP COLUMN started_ms",
                            "ALTER TABLE step_values DROP COLUMN started_ms",
                            "UPDATE schema_version SET version = 1"})
      QVERIFY2(query.exec(QLatin1String(sql)), sql);
  }
  ResultStore store;
  QVERIFY2(store.open(At(file)), qPrintable(store.problem()));
  QVERIFY(store.storeRun(Record(QStringLiteral("GP1"), QStringLiteral("1.6"))));
  QSqlQuery query(store.database());
  QVERIFY(query.exec("SELECT (SELECT version FROM schema_version), "
                     "(SELECT COUNT(*) FROM steps s JOIN runs r ON r.id = s.run_id "
                     " WHERE s.started_ms = r.started_ms), "
                     "(SELECT COUNT(*) FROM step_values v JOIN runs r ON r.id = v.run_id "
                     " WHERE v.started_ms = r.started_ms)"));
  QVERIFY(query.next());
  // Both runs' two steps and their values (serial, value) carry their run's time.
  QCOMPARE(query.value(0).toInt(), kSchemaVersion);
  QCOMPARE(query.value(1).toInt(), 4);
  QCOMPARE(query.value(2).toInt(), 4);
  QString problem;
  QCOMPARE(UnitHistory(store.database(), QStringLiteral("GP1"), true, false, &problem).size(), 2);
}

QTEST_GUILESS_MAIN(ResultsTest)
#include "tst_results.moc"
