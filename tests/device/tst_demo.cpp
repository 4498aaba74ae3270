// The demo's loopback plug: what the operator sends comes back into the receive memo, and
// the example sequences pass on it.
#include "Harness.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class DemoTest : public QObject {
  Q_OBJECT
private slots:
  void init();
  void cleanup();
  void sentTextComesBack();
  void examplesPassOnThePlug();

private:
  QTemporaryDir dir_;
  QString plug_;
  QProcess loopback_;
};

void DemoTest::init() {
  plug_ = dir_.filePath(QStringLiteral("COM1"));
  loopback_.start(QStringLiteral(GLOW_SOURCE_DIR "/scripts/loopback.sh"), {plug_});
  QVERIFY(loopback_.waitForStarted());
  QTRY_VERIFY(QFileInfo::exists(plug_));
}

void DemoTest::cleanup() {
  loopback_.terminate();
  QVERIFY(loopback_.waitForFinished(3000));
}

void DemoTest::sentTextComesBack() {
  qputenv("GLOW_PANEL_COM1", plug_.toLocal8Bit());
  TrdCom form;
  Click(&form, "Button4");
  QVERIFY(PortIsOpen());
  Control<QPlainTextEdit>(&form, "Memo1")->setPlainText(QStringLiteral("hello 嵐樺\nline 2"));
  Click(&form, "Button6");
  QTRY_COMPARE(MemoText(&form), QStringLiteral("hello 嵐樺\nline 2"));
}

void DemoTest::examplesPassOnThePlug() {
  for (const char *example : {"loopback.seq", "measure.seq"}) {
    QProcess tool;
    tool.start(QStringLiteral(GLOW_PANEL_BINARY),
               {"--run", QStringLiteral(GLOW_SOURCE_DIR "/examples/") + example, "--com1", plug_,
                "--set", "serial=AB123456"});
    QVERIFY(tool.waitForFinished(20000));
    QVERIFY2(tool.exitCode() == 0, qPrintable(tool.readAllStandardOutput()));
  }
}

QTEST_MAIN(DemoTest)
#include "tst_demo.moc"
