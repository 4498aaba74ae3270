// What typed text puts on the line: the rows the Big5 unit test and the SEND test share.
#pragma once

#include <QTest>

inline void AddTypedTextRows() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QByteArray>("wire");
  QTest::newRow("ASCII") << "hello" << QByteArray("hello");
  QTest::newRow("two lines, CR LF between, none after") << "A\nB" << QByteArray("A\r\nB");
  QTest::newRow("Chinese as Big5 pairs")
      << QStringLiteral("嵐樺翔昱") << QByteArray::fromHex("b450beecb5beac52");
  QTest::newRow("emoji has no Big5 code") << QStringLiteral("A😀B") << QByteArray("A?B");
  QTest::newRow("simplified-only character") << QStringLiteral("们好") << QByteArray("?\xA6\x6E");
  QTest::newRow("ignorable character") << QStringLiteral("A\u200BB\uFFF8") << QByteArray("A?B?");
  QTest::newRow("half a surrogate pair at the end")
      << QString(QLatin1Char('A')) + QChar(0xD83D) << QByteArray("A?");
}
