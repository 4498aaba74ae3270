// The results store: what storing adds to a run, a unit's history out of a month of a busy
// station, delivering a backlog to a server, and a rack of eight storing at once. The
// stores live on the machine's disk, as a station's would.
#include "Bench.h"
#include "Delivery.h"
#include "Groups.h"
#include "History.h"
#include "PgServer.h"
#include "ResultStore.h"
#include "StoreFiller.h"
#include "YieldView.h"

#include <QDateTimeEdit>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace {
ResultsTarget At(const QString &file) {
  ResultsTarget target;
  target.file = file;
  return target;
}

// Starts the tool five times as the operator would, each to its end: the median time, and
// what the last one printed.
double ToolMedianMs(const QStringList &arguments, QByteArray *out) {
  std::vector<double> ms;
  for (int i = 0; i < 5; ++i) {
    QProcess tool;
    QElapsedTimer clock;
    clock.start();
    tool.start(QStringLiteral(GLOW_PANEL_BINARY), arguments);
    tool.waitForFinished(60000);
    ms.push_back(double(clock.nsecsElapsed()) / 1e6);
    *out = tool.readAllStandardOutput();
  }
  return Percentile(ms, 0.5);
}

void StoreTimeRow(const QString &folder) {
  const int runs = gQuick ? 200 : 1000;
  ResultStore store;
  store.open(At(folder + "/time.sqlite"));
  std::vector<double> ms;
  int failed = 0;
  for (int i = 0; i < runs; ++i) {
    const RunRecord record = SyntheticRun(i, i, QDateTime::currentDateTime());
    QElapsedTimer clock;
    clock.start();
    failed += !store.storeRun(record);
    ms.push_back(double(clock.nsecsElapsed()) / 1e6);
  }
  const double median = Percentile(ms, 0.5);
  Report(QStringLiteral("Results: storing a run of 20 steps, %1 runs one after another, SQLite on "
                        "disk")
             .arg(runs),
         "adds <= 5 ms to a run (median)",
         QStringLiteral("median %1, 90th percentile %2, worst %3; %4 not stored")
             .arg(Ms(median), Ms(Percentile(ms, 0.9)), Ms(Percentile(ms, 1.0)))
             .arg(failed),
         median <= 5 && failed == 0);
}

void HistoryRow(const QString &folder) {
  const int runs = gQuick ? 20000 : 100000;
  const QString file = folder + "/month.sqlite";
  QElapsedTimer made;
  made.start();
  FillStore(file, runs, QDateTime::currentDateTime().addDays(-30));
  const double madeS = double(made.elapsed()) / 1000;
  const double perRun = double(QFileInfo(file).size()) / runs;
  // As the operator asks: the program started for it, and what it prints. A unit with a
  // retest, from the middle of the month.
  const QString serial = UnitSerial(runs / 2 / 12 * 12 + 10);
  QByteArray out;
  const double ms = ToolMedianMs({"--history", serial, "--results", file}, &out);
  int shown = 0;
  for (const QByteArray &line : out.split('\n'))
    shown += !line.isEmpty() && line[0] != ' ';
  Report(QStringLiteral("Results: --history SERIAL in a store of %1 runs of 20 steps (median of 5, "
                        "the program's start included)")
             .arg(runs),
         "< 50 ms",
         QStringLiteral("%1 for %2 runs of %3; the store %4 bytes a run (made in %5 s)")
             .arg(Ms(ms))
             .arg(shown)
             .arg(serial)
             .arg(perRun, 0, 'f', 0)
             .arg(madeS, 0, 'f', 1),
         ms < 50 && shown > 0);
}

// Over the month HistoryRow made: --yield with its page, as the operator starts it, and the
// window's Yield tab: opened over the month, then a run stored while it shows.
void YieldRows(const QString &folder) {
  const int runs = gQuick ? 20000 : 100000;
  const QString file = folder + "/month.sqlite";
  const QString since = QDate::currentDate().addDays(-31).toString(Qt::ISODate);
  QByteArray out;
  const double ms = ToolMedianMs(
      {"--yield", "--since", since, "--results", file, "--html", folder + "/yield.html"}, &out);
  const QByteArray first = out.mid(out.indexOf("First-pass yield")).split('\n').value(0);
  Report(QStringLiteral("Yield: --yield over %1 runs of a month, with its page of charts (median "
                        "of 5, the program's start included)")
             .arg(runs),
         "< 1 s",
         QStringLiteral("%1; %2; the page %3 bytes")
             .arg(Ms(ms), QString::fromUtf8(first.simplified()))
             .arg(QFileInfo(folder + "/yield.html").size()),
         ms < 1000 && !first.isEmpty());

  TResultsKeeper keeper(file);
  TYieldView view(&keeper);
  view.resize(860, 560);
  view.findChild<QDateTimeEdit *>(QStringLiteral("since"))
      ->setDateTime(QDateTime(QDate::currentDate().addDays(-31), QTime(0, 0)));
  view.show();
  QElapsedTimer clock;
  clock.start();
  view.showFigures();
  view.grab();
  const double openMs = double(clock.nsecsElapsed()) / 1e6;
  const int before = view.figures().runs;
  std::vector<double> added;
  for (int i = 0; i < 20; ++i) {
    const RunRecord record = SyntheticRun(runs + i, runs + i, QDateTime::currentDateTime());
    QElapsedTimer shown;
    shown.start();
    keeper.keepRun(record);
    view.grab();
    added.push_back(double(shown.nsecsElapsed()) / 1e6);
  }
  Report(QStringLiteral("Yield: the window's Yield tab over the same month, shown; then 20 runs "
                        "stored while it shows (median)"),
         "opens < 1 s; a stored run shown < 50 ms",
         QStringLiteral("opened in %1; a run stored and shown in %2 (worst %3); %4 runs then %5")
             .arg(Ms(openMs), Ms(Percentile(added, 0.5)), Ms(Percentile(added, 1.0)))
             .arg(before)
             .arg(view.figures().runs),
         openMs < 1000 && Percentile(added, 0.5) < 50 && view.figures().runs == before + 20);
}

void DeliveryRow(const QString &folder) {
  const int runs = gQuick ? 2000 : 10000;
  PgServer server(true);
  if (!server.isValid()) {
    Report("Results: waiting records delivered to PostgreSQL", "10,000 in < 10 s",
           "no server: " + server.problem(), false);
    return;
  }
  QString problem;
  ResultsTarget target = *ParseResultsTarget(server.url(), &problem);
  target.file = folder + "/waiting.sqlite";
  target.password = QLatin1String(PgServer::kPassword);
  FillStore(target.file, runs, QDateTime::currentDateTime().addDays(-1), target.name());
  QElapsedTimer clock;
  clock.start();
  const DeliveryOutcome outcome = DeliverWaiting(target, 600000);
  const double seconds = double(clock.elapsed()) / 1000;
  const QString stored = server.query("SELECT COUNT(*), COUNT(DISTINCT id) FROM runs");
  Report(
      QStringLiteral("Results: %1 waiting records of 20 steps delivered to PostgreSQL on this "
                     "machine, writing to disk")
          .arg(runs),
      QStringLiteral("in < %1 s, each once").arg(runs / 1000),
      QStringLiteral("%1 s; %2 delivered, %3 still waiting; the server holds %4 (runs|distinct)%5")
          .arg(seconds, 0, 'f', 1)
          .arg(outcome.delivered)
          .arg(outcome.waiting)
          .arg(stored, outcome.problem.isEmpty() ? QString() : "; " + outcome.problem),
      seconds < runs / 1000.0 && outcome.delivered == runs &&
          stored == QStringLiteral("%1|%1").arg(runs));
}

void RackStoringRow(const QString &folder) {
  constexpr int kDevices = 8;
  const int passes = gQuick ? 25 : 125;
  std::vector<std::unique_ptr<PtyDevice>> ptys;
  std::vector<std::unique_ptr<ScriptedDevice>> devices;
  QStringList paths;
  for (int i = 0; i < kDevices; ++i) {
    ptys.push_back(std::make_unique<PtyDevice>());
    devices.push_back(std::make_unique<ScriptedDevice>(*ptys.back()));
    paths << ptys.back()->path();
  }
  QFile seq(folder + "/echo.seq");
  seq.open(QIODevice::WriteOnly);
  seq.write("open\nsend \"x\"\nexpect \"x\" within 500 ms\nclose\n");
  seq.close();
  const QString file = folder + "/rack.sqlite";
  QProcess rack;
  rack.start(QStringLiteral(GLOW_PANEL_BINARY),
             {"--run", seq.fileName(), "--com1", paths.join(','), "--repeat",
              QString::number(passes), "--results", file});
  RunUntil([&rack] { return rack.state() == QProcess::NotRunning; }, 600000);
  const QByteArray said = rack.readAllStandardError() + rack.readAllStandardOutput();
  ResultStore store;
  store.open(At(file));
  QSqlQuery query(store.database());
  query.exec("SELECT COUNT(*) FROM passes");
  query.next();
  const int stored = query.value(0).toInt();
  Report(QStringLiteral("Results: a rack of %1 storing at once, %2 passes each")
             .arg(kDevices)
             .arg(passes),
         "no \"locked\" error; every pass stored",
         QStringLiteral("%1 passes stored of %2; \"locked\" said %3 times; exit %4")
             .arg(stored)
             .arg(kDevices * passes)
             .arg(said.count("locked"))
             .arg(rack.exitCode()),
         stored == kDevices * passes && !said.contains("locked") && rack.exitCode() == 0);
}
} // namespace

int MakeStore(int argc, char *argv[]) {
  QCoreApplication app(argc, argv);
  const int days = argc > 4 ? QByteArray(argv[4]).toInt() : 30;
  FillStore(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt(),
            QDateTime::currentDateTime().addDays(-days));
  return 0;
}

void ResultsGroup() {
  // On the machine's disk, where a station keeps its store.
  QTemporaryDir dir(QStringLiteral("/var/tmp/glow-bench-XXXXXX"));
  StoreTimeRow(dir.path());
  HistoryRow(dir.path());
  YieldRows(dir.path());
  DeliveryRow(dir.path());
  RackStoringRow(dir.path());
}
