// Test sequences against a device that answers: the wire carries exactly the step's bytes;
// a recorded session replays; a run in the window and a headless one give the same bytes
// and rows; a headless run ends with the exit code a script acts on. The rules of a run
// are the runner's own tests (tests/unit/tst_runner.cpp).
#include "Harness.h"
#include "LineMonitor.h"
#include "PtyDevice.h"
#include "Recording.h"
#include "SequenceRunner.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <poll.h>
#include <unistd.h>

namespace {
// Answers each chunk it hears, on the test's event loop.
class AnsweringDevice : public PtyDevice {
public:
  explicit AnsweringDevice(std::function<QByteArray(const QByteArray &)> answer)
      : answer_(std::move(answer)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      pollfd pfd{masterFd(), POLLIN, 0};
      if (::poll(&pfd, 1, 0) <= 0 || !(pfd.revents & POLLIN))
        return;
      char buf[4096];
      const ssize_t n = ::read(masterFd(), buf, sizeof buf);
      if (n <= 0)
        return;
      heard += QByteArray(buf, n);
      if (answer_)
        send(answer_(QByteArray(buf, n)));
    });
    timer_.start(2);
  }
  QByteArray heard;

private:
  std::function<QByteArray(const QByteArray &)> answer_;
  QTimer timer_;
};

QByteArray Echo(const QByteArray &bytes) { return bytes; }

QList<SequenceStep> Steps(const QByteArray &file) {
  const ParsedSequence parsed = ParseSequence(file);
  if (parsed.failed)
    qWarning() << parsed.error.message;
  return parsed.steps;
}

// Runs the steps through the window's session until the run ends.
bool Run(SequenceRunner &runner, const QList<SequenceStep> &steps) {
  runner.start(steps, 1, false);
  return QTest::qWaitFor([&] { return !runner.running(); }, 60000);
}

// The rows of a log or the monitor as they must agree between two runs: without the time
// of day or the reply times, which are the line's, not the tool's.
QStringList Comparable(const QString &rows) {
  QStringList lines;
  for (QString line : rows.split('\n', Qt::SkipEmptyParts)) {
    if (line.startsWith('#'))
      continue;
    if (!line.startsWith(' '))
      line = line.mid(13).replace(QRegularExpression(QStringLiteral("\\+\\d+ ms")), "+N ms");
    lines << line;
  }
  return lines;
}
} // namespace

class SequenceTest : public QObject {
  Q_OBJECT
private slots:
  void stepsPassWithExactBytes();
  void recordedSessionReplays();
  void headlessRunExitCodes_data();
  void headlessRunExitCodes();
  void windowAndHeadlessAlike();
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
                            "send \"\\x00\"  # one byte\n"
                            "expect hex 00 FF 00 within 500 ms\n"
                            "clear-vfd\n"
                            "expect hex 0C\n")));
  QCOMPARE(runner.failedSteps(), 0);
  QCOMPARE(runner.passedSteps(), 8);
  QCOMPARE(device.heard, QByteArray::fromHex("b45000ff000c"));
  // The run opened the port, so the run closed it.
  QVERIFY(!PortIsOpen());
  QVERIFY(runner.passes().first().results[2].replyMs >= 0);
}

void SequenceTest::recordedSessionReplays() {
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
  Click(&form, "Button5");
  const QString recorded = SequenceFromRows(form.lineMonitor()->rows());
  const QList<SequenceStep> steps = Steps(recorded.toUtf8());
  QCOMPARE(steps.size(), 6); // open, send, expect, clear-vfd, expect, close
  device.heard.clear();
  SequenceRunner runner(form.session());
  QVERIFY(Run(runner, steps));
  QVERIFY2(runner.failedSteps() == 0, qPrintable(recorded));
  QCOMPARE(device.heard, QByteArray("hello \xB4\x50\x0C"));
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
  QCOMPARE(junit.count("<failure "), exitCode == 0 ? 0 : 1);
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

QTEST_MAIN(SequenceTest)
#include "tst_sequences.moc"
