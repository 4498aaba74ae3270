// Faults a bench and a rack meet, on the real program run headless: a log file that blocks
// or fills, a device that holds the line back with XOFF, one device opened under two names,
// the run asked to end (Ctrl+C, a request to terminate, a closed terminal) once or twice,
// and a kill in the middle of the sweep. Each ends with a clear message and the right exit
// code, and nothing is lost without a word.
#include "AnsweringDevice.h"

#include "ResultStore.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <signal.h>
#include <termios.h>

namespace {
// A sequence file in dir.
QString Sequence(const QTemporaryDir &dir, const QByteArray &steps) {
  QFile file(dir.filePath("test.seq"));
  file.open(QIODevice::WriteOnly);
  file.write(steps);
  return file.fileName();
}

// The tool run headless, and all it has printed so far.
struct Tool {
  QProcess process;
  QByteArray out;

  void start(const QStringList &arguments) {
    process.start(QStringLiteral(GLOW_PANEL_BINARY), arguments);
    QVERIFY(process.waitForStarted());
  }
  // Waits until the tool has printed this on its standard output.
  bool said(const char *what, int timeoutMs = 10000) {
    return QTest::qWaitFor([&] { return output().contains(QLatin1String(what)); }, timeoutMs);
  }
  QString output() {
    out += process.readAllStandardOutput();
    return QString::fromUtf8(out);
  }
  QString errors() { return QString::fromUtf8(process.readAllStandardError()); }
  // Runs the tool with a 64 KB disk of its own at %small, in a mount namespace of its own
  // (as root, or as a user that may make one).
  void startOnSmallDisk(const QString &small, QStringList arguments) {
    QDir().mkpath(small);
    for (QString &a : arguments)
      a.replace("%small", small);
    QStringList command{"--mount"};
    if (::geteuid() != 0)
      command << "--map-root-user";
    process.start("unshare", command << "sh"
                                     << "-c"
                                     << "mount -t tmpfs -o size=64k glow-panel \"$0\" && exec "
                                        "\"$@\""
                                     << small << QStringLiteral(GLOW_PANEL_BINARY) << arguments);
    QVERIFY(process.waitForStarted());
  }
  void signal(int number) { ::kill(pid_t(process.processId()), number); }
  // Waits for the end: the exit code; -1 while it still runs, -2 when it crashed.
  int finish(int timeoutMs = 30000) {
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, timeoutMs))
      return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
  }
};

QByteArray FileContent(const QString &path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The device holds the line back, as XOFF does: the tool's writes stop in the driver.
void SayXoff(const PtyDevice &device) {
  termios t{};
  tcgetattr(device.masterFd(), &t);
  t.c_iflag |= IXON;
  tcsetattr(device.masterFd(), TCSANOW, &t);
  device.send("\x13");
}
} // namespace

class FaultTest : public QObject {
  Q_OBJECT
private slots:
  void endedByARequest_data();
  void endedByARequest();
  void secondRequestEndsAtOnce();
  void logThatCannotKeepUp_data();
  void logThatCannotKeepUp();
  void heldBackWriteEndsThePress();
  void oneLockPerDevice();
  void killDuringSweepKeepsTheLog();
  void consoleThatTakesNothing_data();
  void consoleThatTakesNothing();
  void storeOnADiskThatFills();
  void killWhileStoring();
};

void FaultTest::endedByARequest_data() {
  QTest::addColumn<int>("number");
  QTest::addColumn<int>("exitCode");
  QTest::newRow("Ctrl+C") << int(SIGINT) << 130;
  QTest::newRow("terminated") << int(SIGTERM) << 143;
  QTest::newRow("terminal closed") << int(SIGHUP) << 129;
}

void FaultTest::endedByARequest() {
  QFETCH(int, number);
  QFETCH(int, exitCode);
  AnsweringDevice device(Echo);
  REQUIRE_DEVICE(device);
  QTemporaryDir dir;
  QFile seq(dir.filePath("long.seq"));
  QVERIFY(seq.open(QIODevice::WriteOnly));
  seq.write("open\nwait 60 s\nclose\n");
  seq.close();
  Tool tool;
  tool.start({"--run", seq.fileName(), "--com1", device.path(), "--report", dir.filePath("r.xml")});
  QVERIFY(tool.said("PASS line 1"));
  tool.signal(number);
  QCOMPARE(tool.finish(), exitCode);
  QFile report(dir.filePath("r.xml"));
  QVERIFY(report.open(QIODevice::ReadOnly));
  QVERIFY(report.readAll().contains("stopped"));
  QTRY_VERIFY(device.slaveClosed());
}

void FaultTest::secondRequestEndsAtOnce() {
  // The first request cannot be handled while a write waits for a line held back; the
  // second, right after it, ends the tool there and then.
  AnsweringDevice device(nullptr);
  REQUIRE_DEVICE(device);
  QTemporaryDir dir;
  Tool tool;
  tool.start({"--run", Sequence(dir, "open\nwait 300 ms\nsend \"held\"\nclose\n"), "--com1",
              device.path(), "--report", dir.filePath("r.xml")});
  QVERIFY(tool.said("PASS line 1"));
  SayXoff(device);
  QTest::qWait(500);
  tool.signal(SIGINT);
  // Apart, or the system takes the two for one.
  QTest::qWait(100);
  tool.signal(SIGINT);
  QCOMPARE(tool.finish(), 130);
  QVERIFY(!QFileInfo::exists(dir.filePath("r.xml")));
}

void FaultTest::logThatCannotKeepUp_data() {
  QTest::addColumn<QString>("log");
  QTest::addColumn<QString>("reason");
  QTest::newRow("a full disk") << "/dev/full"
                               << "No space left on device";
  QTest::newRow("a small disk that fills") << "%small/line.log"
                                           << "No space left on device";
  QTest::newRow("a pipe whose reader stops") << "%dir/stalled"
                                             << "taken nothing";
  QTest::newRow("a pipe nobody opens") << "%dir/unread"
                                       << "taken nothing";
}

void FaultTest::logThatCannotKeepUp() {
  QFETCH(QString, log);
  QFETCH(QString, reason);
  AnsweringDevice device(nullptr);
  REQUIRE_DEVICE(device);
  QTemporaryDir dir;
  for (const char *fifo : {"stalled", "unread"})
    QCOMPARE(QProcess::execute("mkfifo", {dir.filePath(fifo)}), 0);
  // A reader that never reads: the pipe fills at 64 KB. (Its shell opens the pipe: an open
  // for reading waits for a writer.)
  QProcess stalled;
  stalled.start("sh", {"-c", "exec sleep 60 < \"$0\"", dir.filePath("stalled")});
  // Rows of more than 64 KB, then a row 3 s later: the log is found stuck, the run goes on.
  QByteArray steps = "open\n";
  for (int i = 0; i < 5; ++i)
    steps += "send hex" + QByteArray(" 41").repeated(2000) + '\n';
  Tool tool;
  const QStringList arguments{"--run",  Sequence(dir, steps + "wait 3 s\nsend \"x\"\nclose\n"),
                              "--com1", device.path(),
                              "--log",  QString(log).replace("%dir", dir.path())};
  if (log.startsWith("%small"))
    tool.startOnSmallDisk(dir.filePath("small"), arguments);
  else
    tool.start(arguments);
  QCOMPARE(tool.finish(), 1);
  stalled.kill();
  stalled.waitForFinished();
  const QString out = tool.output();
  const QString err = tool.errors();
  QVERIFY2(out.contains("9 passed, 0 failed"), qPrintable(out));
  QVERIFY2(err.contains("NOT RECORDING") || err.contains("not written completely"),
           qPrintable(err));
  QVERIFY2(err.contains(reason), qPrintable(err));
}

void FaultTest::heldBackWriteEndsThePress() {
  AnsweringDevice device(nullptr);
  REQUIRE_DEVICE(device);
  QTemporaryDir dir;
  Tool tool;
  tool.start({"--run", Sequence(dir, "open\nwait 300 ms\ninitial-vfd\nclose\n"), "--com1",
              device.path(), "--log", dir.filePath("line.log")});
  QVERIFY(tool.said("PASS line 1"));
  SayXoff(device);
  QCOMPARE(tool.finish(), 1);
  const QString out = tool.output();
  QVERIFY2(out.contains("FAIL line 3: initial-vfd") && out.contains("held the line back"),
           qPrintable(out));
  const QString log = QString::fromUtf8(FileContent(dir.filePath("line.log")));
  QVERIFY2(log.contains("-- 1 byte not sent: the device held the line back"), qPrintable(log));
  QVERIFY(!log.contains("43 writes"));
  // What was held back was dropped: it does not go out when the line is let go.
  device.send("\x11");
  QTest::qWait(200);
  QCOMPARE(device.heard, QByteArray());
}

void FaultTest::oneLockPerDevice() {
  AnsweringDevice device(Echo);
  REQUIRE_DEVICE(device);
  QTemporaryDir dir;
  const QString link = dir.filePath("ttyUSB0");
  QVERIFY(QFile::link(device.path(), link));
  const QString seq = Sequence(dir, "open\nsend \"mine\"\nexpect \"mine\"\nwait 3 s\n"
                                    "send \"still\"\nexpect \"still\"\nclose\n");
  Tool first;
  first.start({"--run", seq, "--com1", link});
  QVERIFY(first.said("PASS line 3"));
  // Under the other name, and again once that copy has gone: refused both times.
  for (int i = 0; i < 2; ++i) {
    Tool second;
    second.start({"--run", seq, "--com1", device.path()});
    QCOMPARE(second.finish(), 3);
    QVERIFY(second.output().contains("FAIL line 1: open"));
  }
  QCOMPARE(first.finish(), 0);
}

void FaultTest::killDuringSweepKeepsTheLog() {
  AnsweringDevice device(nullptr);
  REQUIRE_DEVICE(device);
  QTemporaryDir dir;
  Tool tool;
  tool.start({"--run", Sequence(dir, "open\nascii-demo\n"), "--com1", device.path(), "--log",
              dir.filePath("line.log")});
  QTRY_VERIFY_WITH_TIMEOUT(device.heard.size() >= 10, 10000);
  // Between two writes of the sweep, 100 ms apart.
  QTest::qWait(50);
  tool.signal(SIGKILL);
  tool.finish();
  // Every byte written before the kill, including one the device had not read yet when
  // the kill came (a loaded machine reads late).
  QTest::qWait(200);
  const QByteArray sent = device.heard;
  QByteArray logged;
  bool inTx = false;
  for (const QByteArray &line : FileContent(dir.filePath("line.log")).split('\n')) {
    if (!line.startsWith("    "))
      inTx = line.mid(13).startsWith("TX ");
    else if (inTx && !line.contains("^") && !line.trimmed().isEmpty() &&
             QByteArray::fromHex(line.trimmed()).size() * 3 + 1 >= line.trimmed().size())
      logged += QByteArray::fromHex(line.trimmed());
  }
  QCOMPARE(logged, sent);
}

void FaultTest::consoleThatTakesNothing_data() {
  QTest::addColumn<QString>("console");
  QTest::addColumn<QString>("reason");
  QTest::newRow("a full disk") << "> /dev/full"
                               << "No space left on device";
  QTest::newRow("a pipe whose reader is gone") << "| head -c 1 > /dev/null"
                                               << "Broken pipe";
}

void FaultTest::consoleThatTakesNothing() {
  QFETCH(QString, console);
  QFETCH(QString, reason);
  AnsweringDevice device(Echo);
  REQUIRE_DEVICE(device);
  QTemporaryDir dir;
  const QString seq = Sequence(dir, "open\nwait 200 ms\nsend \"x\"\nexpect \"x\"\nclose\n");
  QProcess shell;
  // The tool's own exit code, and its standard error apart.
  shell.start("bash", {"-c",
                       QStringLiteral("\"$0\" --run \"$1\" --com1 \"$2\" --report \"$3\" "
                                      "2> \"$4\" %1; echo ${PIPESTATUS[0]}")
                           .arg(console),
                       QStringLiteral(GLOW_PANEL_BINARY), seq, device.path(),
                       dir.filePath("r.json"), dir.filePath("err")});
  QVERIFY(shell.waitForFinished(30000));
  QCOMPARE(shell.readAllStandardOutput().trimmed(), QByteArray("1"));
  const QString err = QString::fromUtf8(FileContent(dir.filePath("err")));
  QVERIFY2(err.contains("standard output") && err.contains(reason), qPrintable(err));
  QVERIFY(FileContent(dir.filePath("r.json")).contains("\"verdict\": \"PASS\""));
}

void FaultTest::storeOnADiskThatFills() {
  AnsweringDevice device(Echo);
  REQUIRE_DEVICE(device);
  QTemporaryDir dir;
  const QString seq = Sequence(dir, "open\nask serial \"SN\"\nsend \"x\"\nexpect \"x\"\nclose\n");
  // A run that fits, one whose record does not (a note of 120 KB), and the unit's history
  // afterwards: all on a 192 KB disk of the store's own; then the disk made read-only.
  QProcess shell;
  QStringList command{"--mount"};
  if (::geteuid() != 0)
    command << "--map-root-user";
  const QString note = QStringLiteral("note=") + QString(120000, QLatin1Char('n'));
  QDir().mkpath(dir.filePath("disk"));
  shell.start(
      "unshare",
      command << "sh"
              << "-c"
              << "mount -t tmpfs -o size=192k glow-panel \"$0\" || exit 9; store=\"$0/r.sqlite\"; "
                 "\"$1\" --run \"$2\" --com1 \"$3\" --results \"$store\" --set serial=GP1; "
                 "echo \"exit $?\"; "
                 "\"$1\" --run \"$2\" --com1 \"$3\" --results \"$store\" --set serial=GP1 "
                 "--set \"$4\" 2>&1; echo \"exit $?\"; "
                 "\"$1\" --history GP1 --results \"$store\"; "
                 "mount -o remount,ro \"$0\"; "
                 "\"$1\" --run \"$2\" --com1 \"$3\" --results \"$store\" --set serial=GP1 "
                 "2>&1; echo \"exit $?\""
              << dir.filePath("disk") << QStringLiteral(GLOW_PANEL_BINARY) << seq << device.path()
              << note);
  QTRY_COMPARE_WITH_TIMEOUT(shell.state(), QProcess::NotRunning, 30000);
  const QString out = QString::fromUtf8(shell.readAllStandardOutput());
  QVERIFY2(shell.exitCode() != 9, "cannot mount a small disk here");
  // The second run is no pass: it says why, and the store keeps the first whole.
  QCOMPARE(out.split('\n').filter(QRegularExpression("^exit ")),
           QStringList({"exit 0", "exit 1", "exit 2"}));
  QVERIFY2(out.contains("NOT STORED") && out.contains("full"), qPrintable(out));
  // A store that cannot be written is refused before the run, for that reason.
  QVERIFY2(out.contains("read-only"), qPrintable(out));
  QCOMPARE(out.count("PASS    "), 1);
}

void FaultTest::killWhileStoring() {
  AnsweringDevice device(Echo);
  REQUIRE_DEVICE(device);
  QTemporaryDir dir;
  Tool tool;
  tool.start({"--run", Sequence(dir, "open\nsend \"x\"\nexpect \"x\"\nclose\n"), "--com1",
              device.path(), "--repeat", "100000", "--results", dir.filePath("r.sqlite")});
  QVERIFY(tool.said("# pass 20 "));
  tool.signal(SIGKILL);
  tool.finish();
  // Every pass that was stored is whole, and the store goes on taking runs.
  ResultsTarget target;
  target.file = dir.filePath("r.sqlite");
  ResultStore store;
  QVERIFY2(store.open(target), qPrintable(store.problem()));
  QSqlQuery query(store.database());
  QVERIFY(query.exec("PRAGMA integrity_check") && query.next());
  QCOMPARE(query.value(0).toString(), QStringLiteral("ok"));
  QVERIFY(query.exec("SELECT COUNT(*), MIN(steps), MAX(steps) FROM "
                     "(SELECT pass, COUNT(*) AS steps FROM steps GROUP BY pass)") &&
          query.next());
  QVERIFY2(query.value(0).toInt() >= 19, qPrintable(query.value(0).toString()));
  QCOMPARE(query.value(1).toInt(), 4);
  QCOMPARE(query.value(2).toInt(), 4);
  QVERIFY(query.exec("SELECT verdict IS NULL FROM runs") && query.next());
  QVERIFY(query.value(0).toBool());
}

QTEST_MAIN(FaultTest)
#include "tst_faults.moc"
