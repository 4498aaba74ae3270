// Several devices at once: a headless rack of scripted devices (one passes, one fails a
// check, one is pulled, one answers late) gives each device its lines, log and testsuite
// and one exit code; a member that is killed, and a Ctrl+C, still leave a whole report;
// the operator's board shows each tile's run and takes an ask on its own tile.
#include "AnsweringDevice.h"
#include "StationBoard.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <signal.h>

namespace {
const QByteArray kSequence = "open COM1 38400\n"
                             "send \"T?\\r\\n\"\n"
                             "expect match \"T=(?<temp>[0-9.]+)\" within 300 ms\n"
                             "check temp between 20 and 40\n"
                             "close\n";

// The scripted devices, by the short name each is linked as.
struct Rack {
  QTemporaryDir dir;
  QList<AnsweringDevice *> devices;
  QStringList paths;

  ~Rack() { qDeleteAll(devices); }
  AnsweringDevice *add(const QString &name, std::function<QByteArray(const QByteArray &)> answer) {
    auto *device = new AnsweringDevice(std::move(answer));
    devices << device;
    paths << dir.filePath(name);
    QFile::link(device->path(), paths.last());
    return device;
  }
  QString write(const QString &name, const QByteArray &text) {
    QFile file(dir.filePath(name));
    file.open(QIODevice::WriteOnly);
    file.write(text);
    return file.fileName();
  }
};

void StartTool(QProcess &tool, const QStringList &arguments) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("DISPLAY"));
  env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
  tool.setProcessEnvironment(env);
  tool.start(QStringLiteral(GLOW_PANEL_BINARY), arguments);
}

// Each testsuite's name with its failure messages, and an error's as "error: ...".
QMap<QString, QStringList> Suites(const QString &path) {
  QFile file(path);
  file.open(QIODevice::ReadOnly);
  QXmlStreamReader xml(&file);
  QMap<QString, QStringList> suites;
  QString suite;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement)
      continue;
    if (xml.name() == QLatin1String("testsuite"))
      suites[suite = xml.attributes().value("name").toString()];
    else if (xml.name() == QLatin1String("failure"))
      suites[suite] << xml.attributes().value("message").toString();
    else if (xml.name() == QLatin1String("error"))
      suites[suite] << "error: " + xml.attributes().value("message").toString();
  }
  if (xml.hasError())
    suites[QStringLiteral("error")] << xml.errorString();
  return suites;
}
} // namespace

class RackTest : public QObject {
  Q_OBJECT
private slots:
  void rackOfFourDevices();
  void killedMemberAndCtrlC();
  void askWithoutAnswerSendsNothing();
  void boardFollowsTheRuns();
};

void RackTest::rackOfFourDevices() {
  Rack rack;
  rack.add("ttyA", [](const QByteArray &) { return QByteArray("T=31.5\r\n"); });
  rack.add("ttyB", [](const QByteArray &) { return QByteArray("T=55.0\r\n"); });
  // Pulled as the question comes.
  AnsweringDevice *pulled = nullptr;
  pulled = rack.add("ttyC", [&pulled](const QByteArray &) {
    pulled->hangUp();
    return QByteArray();
  });
  AnsweringDevice *late = rack.add("ttyD", {});
  REQUIRE_DEVICE(*late);
  const QString file = rack.write("rack.seq", kSequence);
  const QString report = rack.dir.filePath("r.xml");
  QProcess tool;
  StartTool(tool, {"--run", file, "--com1", rack.paths.mid(0, 2).join(','), "--com1", rack.paths[2],
                   "--com1", rack.paths[3], "--report", report, "--report",
                   rack.dir.filePath("r.json"), "--log", rack.dir.filePath("bench.log")});
  QTRY_VERIFY_WITH_TIMEOUT(late->heard.contains("T?"), 10000);
  QTest::qWait(400);
  late->send("T=31.5\r\n");
  QTRY_COMPARE_WITH_TIMEOUT(tool.state(), QProcess::NotRunning, 20000);
  const QStringList lines =
      QString::fromUtf8(tool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
  if (tool.exitCode() != 3)
    qWarning().noquote() << lines.join('\n');
  QCOMPARE(tool.exitCode(), 3);
  QCOMPARE(lines.last(), QStringLiteral("4 devices: 1 passed, 2 failed, 1 lost"));
  for (const QString &line : lines.mid(0, lines.size() - 1))
    QVERIFY2(QRegularExpression("^tty[ABCD]: ").match(line).hasMatch(), qPrintable(line));
  QVERIFY(lines.contains("ttyA: 5 passed, 0 failed"));
  const QMap<QString, QStringList> suites = Suites(report);
  QCOMPARE(suites.keys(), QStringList({"ttyA: rack.seq pass 1", "ttyB: rack.seq pass 1",
                                       "ttyC: rack.seq pass 1", "ttyD: rack.seq pass 1"}));
  QCOMPARE(suites.first(), QStringList());
  QCOMPARE(suites["ttyB: rack.seq pass 1"], QStringList{"temp = 55.0, not between 20 and 40"});
  // A device lost is no verdict on the unit: an error, and a record that says so.
  QCOMPARE(suites["ttyC: rack.seq pass 1"].value(0), QStringLiteral("error: line lost"));
  QFile json(rack.dir.filePath("r.json"));
  QVERIFY(json.open(QIODevice::ReadOnly));
  QStringList verdicts;
  for (const QJsonValue device : QJsonDocument::fromJson(json.readAll())["devices"].toArray())
    verdicts << device["verdict"].toString();
  QCOMPARE(verdicts, QStringList({"PASS", "FAIL", "LOST", "FAIL"}));
  QVERIFY(suites["ttyD: rack.seq pass 1"].value(0).startsWith("not received within 300 ms"));
  for (const char *name : {"ttyA", "ttyB", "ttyC", "ttyD"}) {
    QFile log(rack.dir.filePath(QStringLiteral("bench.%1.log").arg(name)));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains("TX 4 bytes"));
  }
}

void RackTest::killedMemberAndCtrlC() {
  Rack rack;
  // Each answers the first three passes at once, and then no more.
  auto threeAnswers = [count = 0](const QByteArray &) mutable {
    return ++count <= 3 ? QByteArray("y") : QByteArray();
  };
  AnsweringDevice *a = rack.add("ttyA", threeAnswers);
  AnsweringDevice *b = rack.add("ttyB", threeAnswers);
  REQUIRE_DEVICE(*a);
  const QString report = rack.dir.filePath("r.xml");
  QProcess tool;
  StartTool(tool, {"--run", rack.write("slow.seq", "open\nsend \"x\"\nexpect \"y\" within 30 s\n"),
                   "--com1", rack.paths.join(','), "--repeat", "100", "--report", report,
                   "--report", rack.dir.filePath("r.json")});
  QTRY_VERIFY_WITH_TIMEOUT(a->heard.size() == 4 && b->heard.size() == 4, 10000);
  // The member on ttyB, found by its command line.
  QProcess find;
  find.start("pgrep", {"-f", "rack-member.*" + rack.paths[1]});
  QVERIFY(find.waitForFinished());
  const qint64 member = find.readAllStandardOutput().trimmed().toLongLong();
  QVERIFY(member > 0);
  ::kill(pid_t(member), SIGKILL);
  QTRY_VERIFY(QString::fromUtf8(tool.peek(1 << 16)).contains("ttyB: stopped by signal 9"));
  ::kill(pid_t(tool.processId()), SIGINT);
  QTRY_COMPARE_WITH_TIMEOUT(tool.state(), QProcess::NotRunning, 10000);
  QCOMPARE(tool.exitCode(), 130);
  QVERIFY(tool.readAllStandardOutput().endsWith("2 devices: 0 passed, 2 failed, 0 lost\n"));
  // Every pass that finished is in every report, the killed member's too.
  const QMap<QString, QStringList> suites = Suites(report);
  QCOMPARE(suites.value("ttyA: slow.seq pass 4"), QStringList{"error: stopped"});
  QCOMPARE(suites.value("ttyB: slow.seq"), QStringList{"error: stopped by signal 9"});
  QVERIFY(suites.contains("ttyB: slow.seq pass 3"));
  QCOMPARE(suites.size(), 8);
  QFile json(rack.dir.filePath("r.json"));
  QVERIFY(json.open(QIODevice::ReadOnly));
  const QJsonArray devices = QJsonDocument::fromJson(json.readAll())["devices"].toArray();
  QCOMPARE(devices.size(), 2);
  for (const QJsonValue device : devices) {
    QCOMPARE(device["verdict"].toString(), QStringLiteral("STOPPED"));
    QCOMPARE(device["passes_asked"].toInt(), 100);
    QVERIFY(device["started"].isString() && device["summary"].isObject());
  }
  QCOMPARE(devices[0]["passes"].toArray().size(), 4);
  QCOMPARE(devices[1]["passes"].toArray().size(), 3);
  QCOMPARE(devices[1]["passes_run"].toInt(), 3);
  QCOMPARE(devices[1]["reason"].toString(), QStringLiteral("stopped by signal 9"));
}

void RackTest::askWithoutAnswerSendsNothing() {
  Rack rack;
  AnsweringDevice *a = rack.add("ttyA", Echo);
  AnsweringDevice *b = rack.add("ttyB", Echo);
  REQUIRE_DEVICE(*a);
  QProcess tool;
  StartTool(tool, {"--run", rack.write("ask.seq", "open\nask serial \"SN\"\nsend \"${serial}\"\n"),
                   "--com1", rack.paths.join(','), "--set", "serial@ttyA=A1"});
  QTRY_COMPARE_WITH_TIMEOUT(tool.state(), QProcess::NotRunning, 10000);
  QCOMPARE(tool.exitCode(), 2);
  QVERIFY(tool.readAllStandardError().startsWith("ttyB: "));
  QTest::qWait(100);
  QVERIFY(a->heard.isEmpty() && b->heard.isEmpty());
}

void RackTest::boardFollowsTheRuns() {
  Rack rack;
  rack.add("ttyA", [](const QByteArray &) { return QByteArray("T=31.5\r\n"); });
  AnsweringDevice *asked =
      rack.add("ttyB", [](const QByteArray &) { return QByteArray("T=31.5\r\n"); });
  AnsweringDevice *pulled = rack.add("ttyC", {});
  REQUIRE_DEVICE(*pulled);
  QTemporaryDir settings;
  SessionOptions options;
  options.settingsFile = settings.filePath("settings.ini");
  TStationBoard board(options);
  board.setVariables({}, {{"ttyA", {{"serial", "GP1"}}}, {"ttyC", {{"serial", "GP3"}}}});
  board.setDevices(rack.paths);
  const QByteArray patient = QByteArray(kSequence).replace("300 ms", "10 s");
  board.setSequence(ParseSequence("ask serial \"SN\"\n" + patient).steps, "board.seq");
  board.show();
  auto text = [&board](int tile, const char *label) {
    return board.tiles()[tile]->findChild<QLabel *>(label)->text();
  };
  board.startAll();
  QTRY_COMPARE(text(0, "verdict"), QStringLiteral("PASS"));
  QCOMPARE(text(0, "serial"), QStringLiteral("GP1"));
  QVERIFY2(text(0, "reason").contains("temp = 31.5"), qPrintable(text(0, "reason")));
  // Unit 2's serial is scanned into its own tile.
  auto *answer = board.tiles()[1]->findChild<QLineEdit *>("answer");
  QTRY_VERIFY(answer->isVisible() && answer->hasFocus());
  QCOMPARE(text(1, "verdict"), QStringLiteral("RUNNING"));
  // An empty Enter is no serial number.
  QTest::keyClick(answer, Qt::Key_Return);
  QTest::qWait(50);
  QVERIFY(answer->isVisible());
  QTest::keyClicks(answer, "GP2");
  QTest::keyClick(answer, Qt::Key_Return);
  QTRY_COMPARE(text(1, "verdict"), QStringLiteral("PASS"));
  QCOMPARE(text(1, "serial"), QStringLiteral("GP2"));
  QVERIFY(asked->heard.contains("T?"));
  QTRY_VERIFY(pulled->heard.contains("T?"));
  pulled->hangUp();
  QTRY_COMPARE(text(2, "verdict"), QStringLiteral("LOST"));
  QVERIFY2(text(2, "reason").startsWith("line 4: line lost\nWaiting for ttyC"),
           qPrintable(text(2, "reason")));
  // A tile started again keeps nothing of its last verdict.
  board.tiles()[0]->start();
  QCOMPARE(text(0, "verdict"), QStringLiteral("RUNNING"));
  QTRY_COMPARE(text(0, "verdict"), QStringLiteral("PASS"));
}

QTEST_MAIN(RackTest)
#include "tst_rack.moc"
