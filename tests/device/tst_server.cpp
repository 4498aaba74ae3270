// Many benches, one database: runs stored on the bench first and delivered to a PostgreSQL
// server of the test's own; a server that goes away, and comes back, loses nothing and gets
// every run once; the password is never printed or kept; a unit's history from the server.
#include "AnsweringDevice.h"
#include "PgServer.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// The tool headless, on a bench whose data folder is dir's.
struct Bench {
  QTemporaryDir dir;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  QByteArray out, err;

  Bench() {
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.path());
    env.insert(QStringLiteral("PGPASSWORD"), QLatin1String(PgServer::kPassword));
    env.remove(QStringLiteral("DISPLAY"));
  }
  int run(const QStringList &arguments) {
    QProcess tool;
    tool.setProcessEnvironment(env);
    tool.start(QStringLiteral(GLOW_PANEL_BINARY), arguments);
    // The device answers on this thread's event loop.
    if (!QTest::qWaitFor([&tool] { return tool.state() == QProcess::NotRunning; }, 60000))
      return -1;
    out = tool.readAllStandardOutput();
    err = tool.readAllStandardError();
    if (tool.exitCode() != 0)
      qWarning().noquote() << out << err;
    return tool.exitCode();
  }
  QString sequence() {
    QFile file(dir.filePath("unit.seq"));
    file.open(QIODevice::WriteOnly);
    file.write("open\nask serial \"SN\"\nsend \"T=31.5C\"\nexpect match \"T=(?<t>[0-9.]+)C\"\n"
               "check t between 20 and 40\nclose\n");
    return file.fileName();
  }
};
} // namespace

class ServerTest : public QObject {
  Q_OBJECT
private slots:
  void serverAwayAndBack();
  void rackWhileTheServerGoes();
};

void ServerTest::serverAwayAndBack() {
  PgServer server;
  REQUIRE_SERVER(server);
  AnsweringDevice device(Echo);
  REQUIRE_DEVICE(device);
  Bench bench;
  const QString seq = bench.sequence();
  auto run = [&](const char *serial) {
    return bench.run({"--run", seq, "--com1", device.path(), "--results", server.url(), "--set",
                      QStringLiteral("serial=%1").arg(serial)});
  };
  QCOMPARE(run("GP1"), 0);
  QCOMPARE(server.query("SELECT COUNT(*) FROM runs"), QStringLiteral("1"));
  // Away: each run is stored on the bench and waits, said on standard error.
  QVERIFY(server.stopNow());
  for (const char *serial : {"GP2", "GP3"}) {
    QCOMPARE(run(serial), 0);
    QVERIFY2(bench.err.contains("wait for " + server.url().toUtf8()), bench.err.constData());
  }
  QCOMPARE(bench.run({"--results-status", "--results", server.url()}), 0);
  QVERIFY2(bench.out.contains("2 records wait for the server"), bench.out.constData());
  // Back: the next run delivers them all, and the server has each run once.
  QVERIFY(server.start());
  QCOMPARE(run("GP1"), 0);
  QVERIFY2(bench.err.isEmpty(), bench.err.constData());
  QCOMPARE(server.query("SELECT COUNT(*), COUNT(DISTINCT id) FROM runs"), QStringLiteral("4|4"));
  QCOMPARE(server.query("SELECT COUNT(*) FROM steps"), QStringLiteral("24"));
  // The unit's history is the server's: every run of GP1, oldest first.
  QCOMPARE(bench.run({"--history", "GP1", "--results", server.url()}), 0);
  QCOMPARE(bench.out.count("PASS"), 2);
  // Text goes to the server and comes back as it was.
  const QString odd = QStringLiteral("A\"B\\C,{D}'; DROP TABLE runs; --");
  QCOMPARE(bench.run({"--run", seq, "--com1", device.path(), "--results", server.url(), "--set",
                      "serial=" + odd}),
           0);
  QCOMPARE(server.query("SELECT md5(serial) FROM runs WHERE serial LIKE 'A\"B%'"),
           QString::fromLatin1(
               QCryptographicHash::hash(odd.toUtf8(), QCryptographicHash::Md5).toHex()));
  // The password went nowhere: not in what was printed, nor in the bench's store.
  QFile store(bench.dir.filePath("glow-panel/results.sqlite"));
  QVERIFY(store.open(QIODevice::ReadOnly));
  QVERIFY(!store.readAll().contains(PgServer::kPassword));
  QVERIFY(!bench.out.contains(PgServer::kPassword) && !bench.err.contains(PgServer::kPassword));
}

void ServerTest::rackWhileTheServerGoes() {
  PgServer server;
  REQUIRE_SERVER(server);
  std::vector<std::unique_ptr<AnsweringDevice>> devices;
  QStringList paths;
  for (int i = 0; i < 4; ++i) {
    devices.push_back(std::make_unique<AnsweringDevice>(Echo));
    paths << devices.back()->path();
  }
  REQUIRE_DEVICE(*devices.front());
  Bench bench;
  QProcess rack;
  rack.setProcessEnvironment(bench.env);
  rack.start(QStringLiteral(GLOW_PANEL_BINARY),
             {"--run", bench.sequence(), "--com1", paths.join(','), "--repeat", "20",
              "--results", server.url(), "--set", "serial=GP9"});
  // The server goes in the middle of the rack's run.
  QTRY_VERIFY_WITH_TIMEOUT(devices.front()->heard.count("T=31.5C") >= 5, 20000);
  QVERIFY(server.stopNow());
  QTRY_COMPARE_WITH_TIMEOUT(rack.state(), QProcess::NotRunning, 60000);
  QCOMPARE(rack.exitCode(), 0);
  const QByteArray said = rack.readAllStandardError();
  QVERIFY2(said.contains("4 record(s) wait"), said.constData());
  QVERIFY(server.start());
  QCOMPARE(bench.run({"--results-status", "--results", server.url()}), 0);
  // Delivered with the next run, each once.
  QCOMPARE(bench.run({"--run", bench.sequence(), "--com1", paths.first(), "--results",
                      server.url(), "--set", "serial=GP9"}),
           0);
  QCOMPARE(server.query("SELECT COUNT(*), COUNT(DISTINCT id), SUM(passes_run) FROM runs"),
           QStringLiteral("5|5|81"));
}

QTEST_GUILESS_MAIN(ServerTest)
#include "tst_server.moc"
