// Test sequences against a device that answers: the wire carries exactly the step's bytes;
// a recorded session replays; a run in the window and a headless one give the same bytes
// and rows; a headless run ends with the exit code a script acts on. The rules of a run
// are the runner's own tests (tests/unit/tst_runner.cpp).
#include "AnsweringDevice.h"
#include "FromJournal.h"
#include "Harness.h"
#include "LineMonitor.h"
#include "ResultsWindow.h"
#include "SequenceRunner.h"
#include "SequenceWindow.h"

#include <QFileInfo>
#include <QInputDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeWidget>
#include <QtTest>

#include <atomic>
#include <thread>

#include <poll.h>
#include <signal.h>
#include <unistd.h>

namespace {

QList<SequenceStep> Steps(const QByteArray &file) {
  const ParsedSequence parsed = ParseSequence(file);
  if (parsed.failed)
    qWarning() << parsed.error.message;
  return parsed.steps;
}

// Runs the steps through the window's session until the run ends, in an event loop that
// never sleeps (QTest's waits do, and a reply would then be told late).
bool Run(SequenceRunner &runner, const QList<SequenceStep> &steps) {
  QEventLoop loop;
  QObject::connect(&runner, &SequenceRunner::finished, &loop, &QEventLoop::quit);
  QTimer::singleShot(60000, &loop, &QEventLoop::quit);
  runner.start(steps, 1, false);
  if (runner.running())
    loop.exec();
  return !runner.running();
}

// The rows of a log or the monitor as they must agree between two runs: without the time
// of day or the reply times, which are the line's, not the tool's. Where a chunk read
// falls among the tool's own rows, and how the device's bytes are cut into chunks, is the
// scheduler's: the received bytes are compared as one stream, after the rows.
QStringList Comparable(const QString &rows) {
  QStringList lines;
  QString received;
  bool inRx = false;
  for (QString line : rows.split('\n', Qt::SkipEmptyParts)) {
    if (line.startsWith('#'))
      continue;
    if (!line.startsWith(' ')) {
      line = line.mid(13);
      inRx = line.startsWith(QLatin1String("RX "));
      if (inRx)
        continue;
      line.replace(QRegularExpression(QStringLiteral("\\+\\d+ ms")), "+N ms")
          .replace(QRegularExpression(QStringLiteral("\\(\\d+\\.\\d+ s(, reply \\d+ ms)?\\)")),
                   "(N s)");
    } else if (inRx) {
      // The hex lines, not their reading, which a cut between reads changes.
      if (QRegularExpression(QStringLiteral("^ +([0-9A-F]{2}  ?)*[0-9A-F]{2}$"))
              .match(line)
              .hasMatch())
        received += line.simplified() + ' ';
      continue;
    }
    lines << line;
  }
  return lines << received;
}
// The device answers "R5" 5 ms after each command, timed on its own side, on a thread of
// its own.
struct FiveMsAnswers {
  explicit FiveMsAnswers(const PtyDevice &device)
      : thread([this, fd = device.masterFd()] {
          while (!done) {
            pollfd pfd{fd, POLLIN, 0};
            char buf[64];
            if (::poll(&pfd, 1, 20) <= 0 || ::read(fd, buf, sizeof buf) <= 0)
              continue;
            const auto heard = std::chrono::steady_clock::now();
            std::this_thread::sleep_until(heard + std::chrono::milliseconds(5));
            [[maybe_unused]] const ssize_t n = ::write(fd, "R5", 2);
            heardAt.push_back(heard.time_since_epoch().count());
            answeredAt.push_back(std::chrono::steady_clock::now().time_since_epoch().count());
          }
        }) {}
  ~FiveMsAnswers() { stop(); }
  void stop() {
    done = true;
    if (thread.joinable())
      thread.join();
  }
  std::vector<qint64> heardAt, answeredAt;
  std::atomic<bool> done{false};
  std::thread thread;
};
} // namespace

class SequenceTest : public QObject {
  Q_OBJECT
private slots:
  void stepsPassWithExactBytes();
  void recordedSessionReplays_data();
  void recordedSessionReplays();
  void headlessRunExitCodes_data();
  void headlessRunExitCodes();
  void windowAndHeadlessAlike();
  void badInputSendsNothing_data();
  void badInputSendsNothing();
  void repliesTimedWhereTheyArrive();
  void windowAsksAndShowsValues();
  void measuredValueReports_data();
  void measuredValueReports();
  void replyNeverShorterThanTheDevicesOwn();
};

void SequenceTest::stepsPassWithExactBytes() {
  AnsweringDevice device(Echo);
  REQUIRE_DEVICE(device);
  device.mapAs("COM1");
  TrdCom form;
  SequenceRunner runner(form.session());
  QVERIFY(Run(runner, Steps("open COM1 38400\n"
                            "send \"嵐\"\n"
                            "expect \"嵐\" within 500 ms\n"
                            "send hex 00 FF\n"
                            "expect hex 00 FF within 500 ms\n"
                            "send \"\\x00\"  # one byte\n"
                            "expect hex 00 within 500 ms\n"
                            "clear-vfd\n"
                            "expect hex 0C\n")));
  QString why;
  for (const StepResult &r : runner.passes().first().results)
    if (r.state == StepState::Failed)
      why += QStringLiteral("%1 after %2 ms, had %3; ")
                 .arg(r.message)
                 .arg(r.ms)
                 .arg(QString::fromLatin1(r.arrived.toHex(' ')));
  QVERIFY2(runner.failedSteps() == 0, qPrintable(why));
  QCOMPARE(runner.passedSteps(), 9);
  QCOMPARE(device.heard, QByteArray::fromHex("b45000ff000c"));
  // The run opened the port, so the run closed it.
  QVERIFY(!PortIsOpen());
  QVERIFY(runner.passes().first().results[2].replyMs >= 0);
}

void SequenceTest::recordedSessionReplays_data() {
  QTest::addColumn<bool>("closed");
  QTest::newRow("port closed after the session") << true;
  QTest::newRow("port still open from the session") << false;
}

void SequenceTest::recordedSessionReplays() {
  QFETCH(bool, closed);
  AnsweringDevice device(Echo);
  REQUIRE_DEVICE(device);
  device.mapAs("COM1");
  TrdCom form;
  Click(&form, "Button4");
  QVERIFY(PortIsOpen());
  Control<QPlainTextEdit>(&form, "Memo1")->setPlainText(QStringLiteral("hello 嵐"));
  Click(&form, "Button6");
  QTRY_COMPARE(MemoText(&form), QStringLiteral("hello 嵐"));
  Click(&form, "Clear_VFD");
  QTRY_COMPARE(MemoText(&form), QStringLiteral("hello 嵐\f"));
  if (closed)
    Click(&form, "Button5");
  const QString recorded = SequenceFromRows(form.lineMonitor()->rows());
  const QList<SequenceStep> steps = Steps(recorded.toUtf8());
  // open, send, expect, clear-vfd, expect (, close)
  QCOMPARE(steps.size(), closed ? 6 : 5);
  device.heard.clear();
  SequenceRunner runner(form.session());
  runner.setChoice([&form] { return form.choice(); });
  QVERIFY(Run(runner, steps));
  QVERIFY2(runner.failedSteps() == 0, qPrintable(recorded));
  QCOMPARE(device.heard, QByteArray("hello \xB4\x50\x0C"));
  // A port the run found open stays open.
  QCOMPARE(PortIsOpen(), !closed);
}

void SequenceTest::headlessRunExitCodes_data() {
  QTest::addColumn<QByteArray>("file");
  QTest::addColumn<bool>("device");
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<QString>("lastLine");
  QTest::newRow("every step passes")
      << QByteArray("open\nsend \"hi\"\nexpect \"hi\" within 500 ms\n") << true << 0
      << "3 passed, 0 failed";
  QTest::newRow("a step fails") << QByteArray("open\nexpect \"OK\" within 200 ms\nclose\n") << true
                                << 1 << "1 passed, 1 failed";
  QTest::newRow("wrong file") << QByteArray("open\nsend \"hi\"\nsend hex 1G\n") << true << 2
                              << "seq:3:10: not a hex byte: '1G'";
  QTest::newRow("no port") << QByteArray("open\nsend \"hi\"\n") << false << 3
                           << "0 passed, 1 failed";
}

void SequenceTest::headlessRunExitCodes() {
  QFETCH(QByteArray, file);
  QFETCH(bool, device);
  QFETCH(int, exitCode);
  QFETCH(QString, lastLine);
  AnsweringDevice echo(Echo);
  REQUIRE_DEVICE(echo);
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("test.seq"));
  QFile seq(path);
  QVERIFY(seq.open(QIODevice::WriteOnly));
  seq.write(file);
  seq.close();
  QProcess tool;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("QT_QPA_PLATFORM"));
  env.remove(QStringLiteral("DISPLAY"));
  env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
  tool.setProcessEnvironment(env);
  const QString report = dir.filePath(QStringLiteral("report.xml"));
  tool.start(QStringLiteral(GLOW_PANEL_BINARY),
             {"--run", path, "--report", report, "--com1",
              device ? echo.path() : dir.filePath(QStringLiteral("absent"))});
  QTRY_COMPARE_WITH_TIMEOUT(tool.state(), QProcess::NotRunning, 20000);
  // A wrong file is told on stderr, a run's results on stdout.
  const QString out =
      QString::fromUtf8(exitCode == 2 ? tool.readAllStandardError() : tool.readAllStandardOutput());
  QCOMPARE(tool.exitCode(), exitCode);
  QVERIFY2(out.trimmed().endsWith(lastLine), qPrintable(out));
  if (exitCode == 2) {
    QVERIFY(echo.heard.isEmpty());
    return;
  }
  QFile xml(report);
  QVERIFY(xml.open(QIODevice::ReadOnly));
  const QByteArray junit = xml.readAll();
  QVERIFY(junit.contains("<testsuite "));
  QCOMPARE(junit.count("<testcase "), file.count('\n'));
  // A port that did not open is no verdict on the unit: an error rather than a failure.
  QCOMPARE(junit.count("<failure ") + junit.count("<error "), exitCode == 0 ? 0 : 1);
}

void SequenceTest::windowAndHeadlessAlike() {
  const QByteArray file = "open COM1\ninitial-vfd\nexpect hex 0C within 500 ms\n"
                          "send \"嵐 OK\\r\"\nexpect \"OK\\r\"\neend\nexpect \"eEND\"\nclose\n";
  AnsweringDevice device(Echo);
  REQUIRE_DEVICE(device);
  device.mapAs("COM1");
  QByteArray windowWire;
  QString windowRows;
  {
    TrdCom form;
    SequenceRunner runner(form.session());
    QVERIFY(Run(runner, Steps(file)));
    QCOMPARE(runner.failedSteps(), 0);
    windowWire = std::exchange(device.heard, QByteArray());
    windowRows = form.lineMonitor()->text();
  }
  QTemporaryDir dir;
  QFile seq(dir.filePath("alike.seq"));
  QVERIFY(seq.open(QIODevice::WriteOnly));
  seq.write(file);
  seq.close();
  QProcess tool;
  tool.start(QStringLiteral(GLOW_PANEL_BINARY),
             {"--run", seq.fileName(), "--com1", device.path(), "--log", dir.filePath("run.log")});
  QTRY_COMPARE_WITH_TIMEOUT(tool.state(), QProcess::NotRunning, 20000);
  QCOMPARE(tool.exitCode(), 0);
  QFile log(dir.filePath("run.log"));
  QVERIFY(log.open(QIODevice::ReadOnly));
  QCOMPARE(device.heard, windowWire);
  QCOMPARE(Comparable(QString::fromUtf8(log.readAll())), Comparable(windowRows));
}

void SequenceTest::badInputSendsNothing_data() {
  // %seq: a good sequence, %dev: the device, %dir: a scratch folder (with a FIFO "fifo").
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<QString>("message");
  QTest::newRow("empty device") << QStringList{"--run", "%seq", "--com1", ""} << "--com1 needs";
  QTest::newRow("empty sequence") << QStringList{"--run", ""} << "--run needs";
  QTest::newRow("empty log") << QStringList{"--run", "%seq", "--com1", "%dev", "--log", ""}
                             << "--log needs";
  QTest::newRow("report in a missing folder")
      << QStringList{"--run", "%seq", "--com1", "%dev", "--report", "%dir/none/r.xml"}
      << "no such folder";
  for (const char *report : {"%dir", "/dev/null", "%dir/fifo"})
    QTest::newRow(qPrintable(QStringLiteral("report to %1").arg(report)))
        << QStringList{"--run", "%seq", "--com1", "%dev", "--report", report}
        << "not a regular file";
  for (const char *sequence : {"%dir", "/dev/zero", "%dir/fifo"})
    QTest::newRow(qPrintable(QStringLiteral("sequence from %1").arg(sequence)))
        << QStringList{"--run", sequence, "--com1", "%dev"} << "not a regular file";
  QTest::newRow("log in a missing folder")
      << QStringList{"--run", "%seq", "--com1", "%dev", "--log", "%dir/none/b.log"}
      << "no such folder";
  QTest::newRow("a report and the log in one file")
      << QStringList{"--run",    "%seq",         "--com1", "%dev",
                     "--report", "%dir/x.jsonl", "--log",  "%dir/x.jsonl"}
      << "same file";
  QTest::newRow("two reports in one file")
      << QStringList{"--run",    "%seq",        "--com1",   "%dev",
                     "--report", "%dir/r.json", "--report", "%dir/./r.json"}
      << "same file";
  QTest::newRow("an empty value where a step sends it")
      << QStringList{"--run", "%var", "--com1", "%dev", "--set", "serial="} << "serial is empty";
  QTest::newRow("a store that is a folder")
      << QStringList{"--run", "%seq", "--com1", "%dev", "--results", "%dir"} << "a folder";
  QTest::newRow("a store that is no store")
      << QStringList{"--run", "%seq", "--com1", "%dev", "--results", "sqlite:%seq"}
      << "not a database";
  QTest::newRow("a store of no kind we know")
      << QStringList{"--run", "%seq", "--com1", "%dev", "--results", "mysql://a@b/c"}
      << "not a store";
  QTest::newRow("a value with a character Big5 lacks")
      << QStringList{"--run", "%var", "--com1", "%dev", "--set", "serial=AB\u00e912"}
      << "serial: 'é' has no Big5 code";
}

void SequenceTest::badInputSendsNothing() {
  QFETCH(QStringList, arguments);
  QFETCH(QString, message);
  AnsweringDevice device(Echo);
  REQUIRE_DEVICE(device);
  QTemporaryDir dir;
  QFile seq(dir.filePath("ok.seq"));
  QVERIFY(seq.open(QIODevice::WriteOnly));
  seq.write("open\nsend \"hi\"\n");
  seq.close();
  QFile var(dir.filePath("var.seq"));
  QVERIFY(var.open(QIODevice::WriteOnly));
  var.write("open\nsend \"SN ${serial}\"\nexpect \"SN ${serial}\"\n");
  var.close();
  QVERIFY(QProcess::execute("mkfifo", {dir.filePath("fifo")}) == 0);
  for (QString &a : arguments)
    a.replace("%seq", seq.fileName())
        .replace("%var", var.fileName())
        .replace("%dev", device.path())
        .replace("%dir", dir.path());
  QProcess tool;
  tool.start(QStringLiteral(GLOW_PANEL_BINARY), arguments);
  QTRY_COMPARE_WITH_TIMEOUT(tool.state(), QProcess::NotRunning, 10000);
  const QString err = QString::fromUtf8(tool.readAllStandardError());
  QCOMPARE(tool.exitCode(), 2);
  QVERIFY2(err.contains(message), qPrintable(err));
  QTest::qWait(100);
  QCOMPARE(device.heard, QByteArray());
  QVERIFY(QFileInfo(dir.filePath("fifo")).isReadable());
}

void SequenceTest::repliesTimedWhereTheyArrive() {
  PtyDevice device;
  REQUIRE_DEVICE(device);
  FiveMsAnswers answers(device);
  std::vector<qint64> &heardAt = answers.heardAt, &answeredAt = answers.answeredAt;
  device.mapAs("COM1");
  TrdCom form;
  SequenceRunner runner(form.session());
  QByteArray file = "open\n";
  for (int i = 0; i < 10; ++i)
    file += "send \"D5\"\nexpect \"R5\" within 30 ms\nwait 20 ms\n";
  const bool ran = Run(runner, Steps(file));
  answers.stop();
  QVERIFY(ran);
  QCOMPARE(runner.failedSteps(), 0);
  std::vector<qint64> error;
  for (const SequenceRunner::Result &r : runner.passes().first().results)
    if (r.replyMs >= 0)
      error.push_back(r.replyMs - (answeredAt[error.size()] - heardAt[error.size()]) / 1000000);
  QCOMPARE(error.size(), size_t(10));
  std::sort(error.begin(), error.end());
  // Whole milliseconds each side; a reply read a poll late would be tens of ms out.
  QVERIFY2(qAbs(error[5]) <= 2, qPrintable(QString::number(error[5])));
}

void SequenceTest::windowAsksAndShowsValues() {
  AnsweringDevice device([](const QByteArray &heard) {
    return heard.startsWith("SN ") ? "T=31.5C\r\n" : QByteArray();
  });
  REQUIRE_DEVICE(device);
  device.mapAs("COM1");
  QTemporaryDir dir;
  QFile seq(dir.filePath("window.seq"));
  QVERIFY(seq.open(QIODevice::WriteOnly));
  seq.write("open\nask serial \"掃描序號\"\nsend \"SN ${serial}\\r\"\n"
            "expect match \"T=(?<temp>\\S+)C\"\ncheck temp between 20 and 40\nclose\n");
  seq.close();
  TrdCom form;
  form.useResults(QStringLiteral("sqlite:") + dir.filePath("r.sqlite"));
  TSequenceWindow *window = form.sequenceWindow();
  QVERIFY(window->load(seq.fileName()));
  // A scanner types the number and presses Enter.
  AnswerModal<QInputDialog>([](QInputDialog *dialog) {
    QCOMPARE(dialog->labelText(), QStringLiteral("掃描序號"));
    dialog->setTextValue("AB12");
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
  });
  window->run();
  QTRY_VERIFY_WITH_TIMEOUT(!window->runner()->running(), 10000);
  QCOMPARE(window->runner()->failedSteps(), 0);
  QCOMPARE(device.heard, QByteArray("SN AB12\r"));
  auto *steps = window->findChild<QTreeWidget *>("steps");
  QCOMPARE(steps->topLevelItem(1)->text(3), QStringLiteral("serial = AB12"));
  QCOMPARE(steps->topLevelItem(4)->text(3), QStringLiteral("temp = 31.5"));
  // Stored, and so a pass; and in the unit's history at once.
  QVERIFY2(window->summary().startsWith("PASS: 6 passed"), qPrintable(window->summary()));
  form.resultsWindow()->find("AB12");
  auto *runs = form.resultsWindow()->findChild<QTreeWidget *>("runs");
  QCOMPARE(runs->topLevelItemCount(), 1);
  QCOMPARE(runs->topLevelItem(0)->text(1), QStringLiteral("PASS"));
  QCOMPARE(runs->topLevelItem(0)->childCount(), 6);
}

void SequenceTest::measuredValueReports_data() {
  QTest::addColumn<QByteArray>("reply");
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<QString>("verdict");
  QTest::newRow("within its limits") << QByteArray("T=31.5C\r\n") << 0 << "PASS";
  QTest::newRow("out of its limits") << QByteArray("T=41.2C\r\n") << 1 << "FAIL";
  QTest::newRow("not a number") << QByteArray("T=hotC\r\n") << 1 << "FAIL";
}

void SequenceTest::measuredValueReports() {
  QFETCH(QByteArray, reply);
  QFETCH(int, exitCode);
  QFETCH(QString, verdict);
  AnsweringDevice device(
      [reply](const QByteArray &heard) { return heard.contains("T?") ? reply : QByteArray(); });
  REQUIRE_DEVICE(device);
  QTemporaryDir dir;
  QFile seq(dir.filePath("measure.seq"));
  QVERIFY(seq.open(QIODevice::WriteOnly));
  seq.write("open\nask serial \"Scan the serial number\"\nsend \"T?\"\n"
            "expect match \"T=(?<temp>\\S+)C\" within 500 ms\ncheck temp between 20 and 40\n"
            "close\n");
  seq.close();
  QProcess tool;
  tool.start(QStringLiteral(GLOW_PANEL_BINARY),
             {"--run", seq.fileName(), "--com1", device.path(), "--set", "serial=AB123456",
              "--report", dir.filePath("r.xml"), "--report", dir.filePath("r.json"), "--report",
              dir.filePath("r.jsonl")});
  QTRY_COMPARE_WITH_TIMEOUT(tool.state(), QProcess::NotRunning, 20000);
  QCOMPARE(tool.exitCode(), exitCode);
  QFile json(dir.filePath("r.json"));
  QVERIFY(json.open(QIODevice::ReadOnly));
  const QJsonObject record = QJsonDocument::fromJson(json.readAll()).object();
  QCOMPARE(record["variables"].toObject()["serial"].toString(), QStringLiteral("AB123456"));
  QCOMPARE(record["verdict"].toString(), verdict);
  const QJsonObject check =
      record["passes"].toArray()[0].toObject()["steps"].toArray()[4].toObject();
  QCOMPARE(check["variable"].toString(), QStringLiteral("temp"));
  QCOMPARE(check["low"].toDouble(), 20.0);
  QCOMPARE(check["high"].toDouble(), 40.0);
  QCOMPARE(check["values"].toObject()["temp"].toString(),
           QString::fromLatin1(reply.mid(2, reply.indexOf('C') - 2)));
  QCOMPARE(check["verdict"].toString(), verdict);
  QFile junit(dir.filePath("r.xml"));
  QVERIFY(junit.open(QIODevice::ReadOnly));
  const QByteArray xml = junit.readAll();
  QVERIFY(xml.contains("<property name=\"low\" value=\"20\"/>"));
  QVERIFY(xml.contains("<property name=\"temp\" value=\"" + reply.mid(2, reply.indexOf('C') - 2)));
  QFile lines(dir.filePath("r.jsonl"));
  QVERIFY(lines.open(QIODevice::ReadOnly));
  QCOMPARE(lines.readAll().count('\n'), 1);
}

namespace {
// A port whose writes return late, as when the tool is preempted just after the last byte
// went: the device has heard the command, and may have answered, before the call returns.
class LateReturningPort : public TComPort {
public:
  Written write(const QByteArray &bytes) override {
    const Written written = TComPort::write(bytes);
    QThread::msleep(20);
    return written;
  }
};
} // namespace

void SequenceTest::replyNeverShorterThanTheDevicesOwn() {
  PtyDevice device;
  REQUIRE_DEVICE(device);
  FiveMsAnswers answers(device);
  std::vector<qint64> &heardAt = answers.heardAt, &answeredAt = answers.answeredAt;
  device.mapAs("COM1");
  SessionOptions options;
  options.makePort = [] { return std::make_unique<LateReturningPort>(); };
  TrdCom form(options);
  SequenceRunner runner(form.session());
  QByteArray file = "open\n";
  for (int i = 0; i < 5; ++i)
    file += "send \"D5\"\nexpect \"R5\" within 100 ms\nwait 20 ms\n";
  const bool ran = Run(runner, Steps(file));
  answers.stop();
  QVERIFY(ran);
  QCOMPARE(runner.failedSteps(), 0);
  size_t n = 0;
  for (const SequenceRunner::Result &r : runner.passes().first().results) {
    if (r.replyMs < 0)
      continue;
    const qint64 own = (answeredAt[n] - heardAt[n]) / 1000000;
    QVERIFY2(
        r.replyMs >= own,
        qPrintable(QStringLiteral("reply %1 ms, the device's own %2 ms").arg(r.replyMs).arg(own)));
    ++n;
  }
  QCOMPARE(n, size_t(5));
}

QTEST_MAIN(SequenceTest)
#include "tst_sequences.moc"
