// The yield's figures over a small store whose figures were worked out by hand, the page
// they make, and what a span or a value can lack.
#include "ResultStore.h"
#include "Yield.h"
#include "YieldPage.h"
#include "YieldText.h"

#include <QJsonDocument>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace {
// A run of "unit.seq": open (line 1), send (line 2), expect "OK" (line 4), then a check a
// value; it fails at the expect ('E'), at a check out of its limits, or passes.
struct Made {
  QString serial;
  char failAt = 0;
  qint64 replyMs = 10;
  QList<std::tuple<QString, double, double, QString>> checks;
};

RunRecord MakeRun(const Made &m, const QDateTime &started) {
  RunRecord r;
  r.id = QUuid::createUuid();
  r.sequence = "unit.seq";
  r.host = "bench-1";
  r.started = started;
  r.ended = started.addMSecs(50);
  r.passesRun = 1;
  auto step = [](SequenceStep::Kind kind, int line, const QString &source) {
    SequenceStep s;
    s.kind = kind;
    s.line = line;
    s.source = source;
    return s;
  };
  r.steps = {step(SequenceStep::Open, 1, "open"), step(SequenceStep::Send, 2, "send \"Q\""),
             step(SequenceStep::Expect, 4, "expect \"OK\" within 100 ms")};
  PassRecord p;
  p.number = 1;
  p.started = started;
  p.device = "/dev/ttyUSB0";
  if (!m.serial.isEmpty())
    p.variables = {{"serial", m.serial}};
  StepResult ok;
  ok.state = StepState::Passed;
  StepResult expect = ok;
  expect.replyMs = m.replyMs;
  if (m.failAt == 'E') {
    expect.state = StepState::Failed;
    expect.replyMs = -1;
    expect.message = "not received within 100 ms; nothing arrived";
  }
  p.results = {ok, ok, expect};
  bool failed = m.failAt == 'E';
  for (const auto &[name, low, high, value] : m.checks) {
    SequenceStep check = step(
        SequenceStep::Check, 5 + int(r.steps.size()) - 3,
        QStringLiteral("check %1 between %2 and %3").arg(name, NumberText(low), NumberText(high)));
    check.variable = name;
    check.low = low;
    check.high = high;
    r.steps << check;
    StepResult result = ok;
    if (failed) {
      result.state = StepState::Skipped;
    } else {
      result.values = {{name, value}};
      const double v = value.toDouble();
      if (v < low || v > high) {
        result.state = StepState::Failed;
        result.message = QStringLiteral("%1 = %2, not between").arg(name, value);
        failed = true;
      }
    }
    p.results << result;
  }
  r.unitFailed = failed;
  r.failedSteps = failed;
  r.passes = {p};
  return r;
}

// The runs a quarter of an hour apart, from eight o'clock today.
QList<RunRecord> MakeRuns(const QList<Made> &runs) {
  QList<RunRecord> records;
  const QDateTime eight(QDate::currentDate(), QTime(8, 0));
  for (int i = 0; i < runs.size(); ++i)
    records << MakeRun(runs[i], eight.addSecs(3600 * i / 4));
  return records;
}

// Opens the store and stores the runs.
void Store(ResultStore &store, const QString &file, const QList<RunRecord> &records) {
  ResultsTarget target;
  target.file = file;
  QVERIFY(store.open(target));
  QVERIFY(store.storeRuns(records));
}

void Store(ResultStore &store, const QString &file, const QList<Made> &runs) {
  Store(store, file, MakeRuns(runs));
}

YieldFilter Today() {
  return {QDateTime(QDate::currentDate(), QTime(0, 0)),
          QDateTime(QDate::currentDate().addDays(1), QTime(0, 0)),
          {},
          {},
          {}};
}

using Check = std::tuple<QString, double, double, QString>;
Check Temp(const char *v) { return {"temp", 20, 40, v}; }
} // namespace

class YieldTest : public QObject {
  Q_OBJECT
private slots:
  void handWorkedFigures();
  void whatAValueLacks();
  void pageHoldsAnyText();
  void aStoredRunAddsAsIfRead();
};

void YieldTest::handWorkedFigures() {
  QTemporaryDir dir;
  ResultStore store;
  // GP1 passes; GP2 fails temp, then passes; GP3 fails at the expect twice, then passes; GP4
  // passes; one run has no serial number.
  Store(store, dir.filePath("r.sqlite"),
        {{"GP1", 0, 10, {Temp("30.0")}},
         {"GP2", 0, 12, {Temp("41.0")}},
         {"GP3", 'E', 0, {Temp("0")}},
         {"GP2", 0, 11, {Temp("32.0")}},
         {"GP3", 'E', 0, {Temp("0")}},
         {"GP3", 0, 30, {Temp("34.0")}},
         {"GP4", 0, 9, {Temp("28.0")}},
         {"", 0, 10, {Temp("30.0")}}});
  QString problem;
  const YieldFigures y = ComputeYield(store.database(), false, Today(), &problem);
  QVERIFY2(problem.isEmpty(), qPrintable(problem));
  // 8 runs; 4 units and a run without a serial; retests (2-1)+(3-1) = 3; failed runs 3.
  QCOMPARE(y.runs, 8);
  QCOMPARE(y.units, 4);
  QCOMPARE(y.runsWithoutSerial, 1);
  QCOMPARE(y.retests, 3);
  QCOMPARE(y.failedRuns, 3);
  // First runs: GP1 and GP4 pass, 2 of 4 = 50 %; last runs: all pass, 100 %.
  QCOMPARE(Percent(y.firstPassed, y.units), QStringLiteral("50.0 %"));
  QCOMPARE(Percent(y.finalPassed, y.units), QStringLiteral("100.0 %"));
  // Attempt 1: 2 of 4; attempt 2: GP2 passes, GP3 not, 1 of 2; attempt 3: GP3, 1 of 1.
  QCOMPARE(y.attempts.size(), 3);
  QCOMPARE(std::pair(y.attempts[1].units, y.attempts[1].passed), std::pair(2, 1));
  QCOMPARE(std::pair(y.attempts[2].units, y.attempts[2].passed), std::pair(1, 1));
  // What fails most: the expect failed 2 of 3 failed runs (66.7 %), temp 1 (to 100 %).
  QCOMPARE(y.failures.size(), 2);
  QCOMPARE(y.failures[0].step, QStringLiteral("line 4: expect \"OK\" within 100 ms"));
  QCOMPARE(y.failures[0].runs, 2);
  QCOMPARE(Figure(100 * y.failures[0].share), QStringLiteral("66.7"));
  QCOMPARE(y.failures[1].variable, QStringLiteral("temp"));
  QCOMPARE(y.failures[1].cumulative, 1.0);
  // temp: 30, 41, 32, 34, 28, 30: n 6, mean 32.5, sd sqrt(107.5 / 5) = 4.637, one outside,
  // Cpk min(40 - 32.5, 32.5 - 20) / (3 * 4.637) = 0.539.
  QCOMPARE(y.values.size(), 1);
  const ValueFigures &temp = y.values[0];
  QCOMPARE(temp.n, 6);
  QCOMPARE(Figure(temp.mean), QStringLiteral("32.5"));
  QCOMPARE(Figure(*temp.sd), QStringLiteral("4.64"));
  QCOMPARE(temp.outside, 1);
  QCOMPARE(Figure(*temp.cpk), QStringLiteral("0.539"));
  // Replies 10, 12, 11, 30, 9, 10: median (3rd of 6) 10, 90th percentile (6th) 30, worst 30.
  QCOMPARE(y.replies.size(), 1);
  QCOMPARE(std::tuple(y.replies[0].n, y.replies[0].median, y.replies[0].p90, y.replies[0].worst),
           std::tuple(6, 10.0, 30.0, 30.0));
  // The JSON says the same, for another program.
  const QJsonObject json = YieldJson(y);
  QCOMPARE(json["first_pass_yield"].toDouble(), 0.5);
  QCOMPARE(json["values"].toArray()[0].toObject()["outside"].toInt(), 1);
}

void YieldTest::whatAValueLacks() {
  QTemporaryDir dir;
  ResultStore store;
  Store(store, dir.filePath("r.sqlite"),
        {{"GP1", 0, 10, {Check{"volt", 4.75, 5.25, "5.0"}, Check{"rpm", 1000, 2000, "1500"}}},
         {"GP2", 0, 10, {Check{"rpm", 1000, 2000, "1500"}, Temp("nan")}},
         {"GP3", 0, 10, {Check{"temp", 20, 45, "30"}}}});
  QString problem;
  const YieldFigures y = ComputeYield(store.database(), false, Today(), &problem);
  QHash<QString, ValueFigures> by;
  for (const ValueFigures &v : y.values)
    by.insert(v.name + QString::number(v.high), v);
  // One value: no spread; all equal: Cpk undefined, not infinite; no number: counted apart.
  QCOMPARE(by["volt5.25"].noCpk, ValueFigures::NoCpk::OneValue);
  QVERIFY(!by["volt5.25"].sd);
  QCOMPARE(by["rpm2000"].noCpk, ValueFigures::NoCpk::AllEqual);
  QVERIFY(!by["rpm2000"].cpk);
  QCOMPARE(by["temp40"].notNumbers, 1);
  // temp's limits changed: each pair kept apart, and said.
  QCOMPARE(y.limitsChanged, QStringList{"temp"});
  // A span with no runs says so, and nothing in it is NaN.
  YieldFilter past = Today();
  past.since = past.since.addDays(-30);
  past.until = past.until.addDays(-29);
  const YieldFigures none = ComputeYield(store.database(), false, past, &problem);
  QCOMPARE(none.runs, 0);
  QVERIFY(YieldText(none).contains("No runs in this span"));
  const QByteArray text = QJsonDocument(YieldJson(none)).toJson() + YieldText(y).toUtf8() +
                          YieldPage(none).toUtf8() + YieldPage(y).toUtf8();
  QVERIFY(!text.contains("nan") && !text.contains("inf"));
}

void YieldTest::pageHoldsAnyText() {
  QTemporaryDir dir;
  ResultStore store;
  const QString hostile =
      QStringLiteral("<script>alert(\"x\")</script> & 'q'") + QString(10000, 'S');
  Store(store, dir.filePath("r.sqlite"), {{hostile, 0, 10, {Temp("<b>99</b>")}}});
  YieldFilter filter = Today();
  filter.station = "bench-1";
  QString problem;
  const QString page = YieldPage(ComputeYield(store.database(), false, filter, &problem));
  // Well-formed, self-contained, and every text from a device or an operator as text.
  QXmlStreamReader xml(page);
  while (!xml.atEnd())
    xml.readNext();
  QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
  QVERIFY(!page.contains("<script") && !page.contains("src=") && !page.contains("http://e"));
  QVERIFY(page.contains("&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; 'q'"));
  QVERIFY(page.contains("overflow-wrap: anywhere"));
}

void YieldTest::aStoredRunAddsAsIfRead() {
  // The window adds each run as it is stored: its figures are those of the store read again.
  const QList<RunRecord> runs = MakeRuns({{"GP1", 0, 10, {Temp("30.0")}},
                                          {"GP2", 'E', 0, {Temp("0")}},
                                          {"GP2", 0, 12, {Temp("41.0")}},
                                          {"GP2", 0, 11, {Temp("32.0")}},
                                          {"", 0, 20, {Temp("35.5")}}});
  QTemporaryDir dir;
  ResultStore store;
  Store(store, dir.filePath("r.sqlite"), runs.mid(0, 2));
  YieldTally tally(Today());
  QString problem;
  QVERIFY2(tally.read(store.database(), false, &problem), qPrintable(problem));
  for (const RunRecord &run : runs.mid(2)) {
    QVERIFY(store.storeRun(run));
    QVERIFY(tally.add(run));
  }
  YieldFilter yesterday = Today();
  yesterday.since = yesterday.since.addDays(-1);
  yesterday.until = yesterday.until.addDays(-1);
  QVERIFY(!YieldTally(yesterday).add(runs[0]));
  QCOMPARE(
      QJsonDocument(YieldJson(tally.figures())).toJson(),
      QJsonDocument(YieldJson(ComputeYield(store.database(), false, Today(), &problem))).toJson());
  // A unit of many that failed at the last: not rounded up to all of them.
  QCOMPARE(Percent(1999, 2000), QStringLiteral("99.9 %"));
  QCOMPARE(Percent(1, 2000), QStringLiteral("0.1 %"));
}

QTEST_GUILESS_MAIN(YieldTest)
#include "tst_yield.moc"
