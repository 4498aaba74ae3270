// The offline "Code Build" table.
#include "CodeTable.h"
#include "Harness.h"
#include "PtyDevice.h"

#include <QRegularExpression>
#include <QtTest>

class CodeTableTest : public QObject {
  Q_OBJECT
private slots:
  void entriesFollowTheFormula_data();
  void entriesFollowTheFormula();
  void everyEntryIsFourHexDigits();
  void pressesAppendBelowWhatIsThere();
  void replyAfterTableStartsNewLine();
  void unavailableAfterFirstOpen();
};

void CodeTableTest::entriesFollowTheFormula_data() {
  QTest::addColumn<int>("entry");
  QTest::addColumn<QString>("line");
  QTest::newRow("first") << 1 << "H'3969,1";
  QTest::newRow("second") << 2 << "H'3995,2";
  QTest::newRow("third") << 3 << "H'39C1,3";
  QTest::newRow("ninth") << 9 << "H'3AC9,9";
  QTest::newRow("tenth takes one more") << 10 << "H'3AF6,10";
  QTest::newRow("eleventh") << 11 << "H'3B22,11";
  QTest::newRow("399th") << 399 << "H'7DF8,399";
  QTest::newRow("last") << 400 << "H'7E25,400";
}

void CodeTableTest::entriesFollowTheFormula() {
  QFETCH(int, entry);
  QFETCH(QString, line);
  const QStringList lines = CodeTableLines();
  QCOMPARE(lines.size(), 400);
  QCOMPARE(lines.at(entry - 1), line);
}

void CodeTableTest::everyEntryIsFourHexDigits() {
  const QRegularExpression shape(QStringLiteral("^H'([0-9A-F]{4}),(\\d+)$"));
  const QStringList lines = CodeTableLines();
  for (int i = 1; i <= lines.size(); ++i) {
    const auto m = shape.match(lines.at(i - 1));
    QVERIFY2(m.hasMatch(), qPrintable(lines.at(i - 1)));
    QCOMPARE(m.captured(1).toInt(nullptr, 16), 14653 + 44 * i + i / 10);
    QCOMPARE(m.captured(2).toInt(), i);
  }
}

void CodeTableTest::pressesAppendBelowWhatIsThere() {
  TrdCom form;
  auto *memo = Control<QPlainTextEdit>(&form, "Memo2");
  QTest::keyClicks(memo, "notes");
  Click(&form, "Button1");
  QStringList lines = MemoText(&form).split('\n');
  QCOMPARE(lines.size(), 402);
  QCOMPARE(lines.at(0), QStringLiteral("notes"));
  QCOMPARE(lines.at(1), QStringLiteral("H'3969,1"));
  QCOMPARE(lines.at(400), QStringLiteral("H'7E25,400"));
  QCOMPARE(lines.at(401), QString());

  Click(&form, "Button7");
  Click(&form, "Button1");
  Click(&form, "Button1");
  lines = MemoText(&form).split('\n');
  QCOMPARE(lines.size(), 801);
  QCOMPARE(lines.at(400), QStringLiteral("H'3969,1"));
  QCOMPARE(lines.at(799), QStringLiteral("H'7E25,400"));
}

void CodeTableTest::replyAfterTableStartsNewLine() {
  PtyDevice device;
  REQUIRE_DEVICE(device);
  device.mapAs("COM1");
  TrdCom form;
  Click(&form, "Button1");
  Click(&form, "Button4");
  device.send("OK\r\n");
  QTRY_VERIFY(MemoText(&form).endsWith(QStringLiteral("H'7E25,400\nOK\n")));
}

void CodeTableTest::unavailableAfterFirstOpen() {
  PtyDevice device;
  REQUIRE_DEVICE(device);
  device.mapAs("COM1");
  TrdCom form;
  QVERIFY(Button(&form, "Button1")->isEnabled());
  Click(&form, "Button4");
  QVERIFY(!Button(&form, "Button1")->isEnabled());
  Click(&form, "Button5");
  QVERIFY(!Button(&form, "Button1")->isEnabled());
}

QTEST_MAIN(CodeTableTest)
#include "tst_codetable.moc"
