// The demo's loopback plug: what the operator sends comes back into the receive memo.
#include "Harness.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class DemoTest : public QObject {
  Q_OBJECT
private slots:
  void sentTextComesBack();
};

void DemoTest::sentTextComesBack() {
  QTemporaryDir dir;
  const QString plug = dir.filePath(QStringLiteral("COM1"));
  QProcess loopback;
  loopback.start(QStringLiteral(GLOW_SOURCE_DIR "/scripts/loopback.sh"), {plug});
  QVERIFY(loopback.waitForStarted());
  QTRY_VERIFY(QFileInfo::exists(plug));
  qputenv("GLOW_PANEL_COM1", plug.toLocal8Bit());
  {
    TrdCom form;
    Click(&form, "Button4");
    QVERIFY(PortIsOpen());
    Control<QPlainTextEdit>(&form, "Memo1")->setPlainText(QStringLiteral("hello 嵐樺\nline 2"));
    Click(&form, "Button6");
    QTRY_COMPARE(MemoText(&form), QStringLiteral("hello 嵐樺\nline 2"));
  }
  loopback.terminate();
  QVERIFY(loopback.waitForFinished(3000));
}

QTEST_MAIN(DemoTest)
#include "tst_demo.moc"
