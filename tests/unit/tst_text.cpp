// What the tool makes of bytes and text, without a window or a device: Big5 both ways,
// received text and the store that keeps it, the line monitor's byte rows, the sweep's
// label and the code table.
#include "Big5.h"
#include "ByteRows.h"
#include "CodeTable.h"
#include "ReceiveText.h"
#include "TextStore.h"
#include "TypedTextRows.h"
#include "VfdCommands.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtTest>

using Chunks = QList<QByteArray>;

class TextTest : public QObject {
  Q_OBJECT
private slots:
  void decodesLikeOneStream_data();
  void decodesLikeOneStream();
  void everyBig5CodeAsOnLinux();
  void typedTextAsBig5_data() { AddTypedTextRows(); }
  void typedTextAsBig5();
  void bytesReadAsBig5_data();
  void bytesReadAsBig5();
  void sweepLabelNamesTheByte_data();
  void sweepLabelNamesTheByte();
  void entriesFollowTheFormula_data();
  void entriesFollowTheFormula();
  void everyEntryIsFourHexDigits();
  void storeHoldsWhatWasWritten_data();
  void storeHoldsWhatWasWritten();
};

void TextTest::decodesLikeOneStream_data() {
  QTest::addColumn<Chunks>("chunks");
  QTest::addColumn<QString>("shown");
  QTest::newRow("reply line") << Chunks{"OK\r\n", "next"} << "OK\nnext";
  QTest::newRow("CR LF split across reads") << Chunks{"A\r", "\nB"} << "A\nB";
  QTest::newRow("lone CR") << Chunks{"A\rB"} << "A\nB";
  QTest::newRow("lone LF") << Chunks{"A\nB"} << "A\nB";
  QTest::newRow("CR CR LF is two breaks") << Chunks{"A\r\r\nB"} << "A\n\nB";
  QTest::newRow("LF CR is two breaks") << Chunks{"A\n\rB"} << "A\n\nB";
  QTest::newRow("zero byte dropped, rest kept") << Chunks{QByteArray("AB\0CD", 5)} << "ABCD";
  QTest::newRow("zero byte between CR and LF") << Chunks{QByteArray("A\r\0\nB", 5)} << "A\nB";
  QTest::newRow("banner in Big5") << Chunks{QByteArray::fromHex("b450beecb5beac52")}
                                  << QStringLiteral("嵐樺翔昱");
  QTest::newRow("Big5 split byte by byte")
      << Chunks{"\xB4", "\x50\xBE", "\xEC"} << QStringLiteral("嵐樺");
  QTest::newRow("lead byte before a line break")
      << Chunks{"\xB4", "\r\nA"} << QStringLiteral("\uFFFD\nA");
  QTest::newRow("empty read") << Chunks{QByteArray()} << QString();
}

void TextTest::decodesLikeOneStream() {
  QFETCH(Chunks, chunks);
  QFETCH(QString, shown);
  ReceiveText split, whole;
  QString pieced;
  for (const QByteArray &c : chunks)
    pieced += split.feed(c);
  QCOMPARE(pieced, shown);
  QCOMPARE(whole.feed(chunks.join()), shown);
}

void TextTest::everyBig5CodeAsOnLinux() {
  // Every two-byte code, decoded in one stream and encoded back, must give what Qt's own
  // converter gives on Linux, whichever converter this platform uses.
  QByteArray codes;
  for (int lead = 0x81; lead <= 0xFE; ++lead)
    for (int trail = 0x40; trail <= 0xFE; ++trail)
      if (trail < 0x7F || trail > 0xA0)
        codes.append(char(lead)).append(char(trail));
  const QString text = Big5Reader().readChunk(codes);
  const QByteArray back = ToBig5(text);
  auto digest = [](const QByteArray &bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
  };
  QCOMPARE(text.size(), codes.size() / 2);
  QCOMPARE(digest(QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2)),
           QByteArray("1ea864d50d3bbbd9f5d70418347db69eeff57b5a"));
  QCOMPARE(digest(back), QByteArray("a5c869a9cc0a638799d0aa783694c6aa8ab410fe"));
}

void TextTest::typedTextAsBig5() {
  QFETCH(QString, typed);
  QFETCH(QByteArray, wire);
  QCOMPARE(ToBig5(QString(typed).replace("\n", "\r\n")).toHex(' '), wire.toHex(' '));
}

void TextTest::bytesReadAsBig5_data() {
  QTest::addColumn<QList<QByteArray>>("chunks");
  QTest::addColumn<QStringList>("lines");
  QTest::newRow("banner, control bytes in caret form, none like hex")
      << QList<QByteArray>{QByteArray("\x0C\xB4\x50\x00\r\n", 6)}
      << QStringList{"    0C  B4  50  00  0D  0A", "    ^L  嵐      ^@  ^M  ^J"};
  QTest::newRow("character split across two reads")
      << QList<QByteArray>{"A\xB4", "\x50"}
      << QStringList{"    41  B4", "    A   ..", "    50", "    嵐"};
  QTest::newRow("character split by the line end")
      << QList<QByteArray>{QByteArray(15, 'x') + "\xB4\x50"}
      << QStringList{"    78  78  78  78  78  78  78  78  78  78  78  78  78  78  78  B4",
                     "    x   x   x   x   x   x   x   x   x   x   x   x   x   x   x   ..", "    50",
                     "    嵐"};
  QTest::newRow("lone lead byte, no character, top bytes")
      << QList<QByteArray>{"\xA4 \xA3\xE1\x80\xFF\x7F"}
      << QStringList{"    A4  20  A3  E1  80  FF  7F", "    ??  SP  €       ??  ??  ^?"};
}

void TextTest::bytesReadAsBig5() {
  QFETCH(QList<QByteArray>, chunks);
  QFETCH(QStringList, lines);
  ByteRows rows;
  QStringList got;
  for (const QByteArray &chunk : chunks)
    got += rows.lines(chunk);
  QCOMPARE(got, lines);
}

void TextTest::sweepLabelNamesTheByte_data() {
  QTest::addColumn<int>("byte");
  QTest::addColumn<QString>("label");
  QTest::newRow("first") << 0x21 << "21 = !";
  QTest::newRow("letter") << 0x41 << "41 = A";
  QTest::newRow("tilde") << 0x7E << "7E = ~";
}

void TextTest::sweepLabelNamesTheByte() {
  QFETCH(int, byte);
  QFETCH(QString, label);
  QCOMPARE(SweepLabelText(byte), label);
  // Lead bytes standing alone still give one character after the prefix.
  QCOMPARE(SweepLabelText(0xA4).size(), 6);
  QCOMPARE(SweepLabelText(0xFE).left(5), QStringLiteral("FE = "));
}

void TextTest::entriesFollowTheFormula_data() {
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

void TextTest::entriesFollowTheFormula() {
  QFETCH(int, entry);
  QFETCH(QString, line);
  const QStringList lines = CodeTableLines();
  QCOMPARE(lines.size(), 400);
  QCOMPARE(lines.at(entry - 1), line);
}

void TextTest::everyEntryIsFourHexDigits() {
  const QRegularExpression shape(QStringLiteral("^H'([0-9A-F]{4}),(\\d+)$"));
  const QStringList lines = CodeTableLines();
  for (int i = 1; i <= lines.size(); ++i) {
    const auto m = shape.match(lines.at(i - 1));
    QVERIFY2(m.hasMatch(), qPrintable(lines.at(i - 1)));
    QCOMPARE(m.captured(1).toInt(nullptr, 16), 14653 + 44 * i + i / 10);
    QCOMPARE(m.captured(2).toInt(), i);
  }
}

void TextTest::storeHoldsWhatWasWritten_data() {
  QTest::addColumn<QString>("alphabet");
  QTest::addColumn<int>("lineLength");
  QTest::addColumn<double>("bytesPerCharacter");
  // Enough text for several chunks, appended, typed into and cut as the box does.
  QTest::newRow("Latin lines") << "abc 0123456789" << 40 << 1.0;
  QTest::newRow("Big5 and Latin lines") << QStringLiteral("嵐樺翔昱 ab12") << 30 << 2.0;
  QTest::newRow("a line with no break") << "xyz 789" << 0 << 1.0;
  // Every character a line: four bytes of index each.
  QTest::newRow("breaks only") << "" << 1 << 4.5;
}

void TextTest::storeHoldsWhatWasWritten() {
  QFETCH(QString, alphabet);
  QFETCH(int, lineLength);
  QFETCH(double, bytesPerCharacter);
  QRandomGenerator random(41);
  auto piece = [&](int size) {
    QString text;
    for (int i = 0; i < size; ++i)
      text += alphabet.isEmpty() || (lineLength > 0 && random.bounded(lineLength) == 0)
                  ? QChar('\n')
                  : alphabet.at(random.bounded(int(alphabet.size())));
    return text;
  };
  TextStore store;
  QString model;
  for (int step = 0; step < 400; ++step) {
    const int op = random.bounded(10);
    const qint64 at = random.bounded(int(model.size()) + 1);
    if (op < 7) {
      const QString text = piece(random.bounded(2000));
      store.appendText(text);
      model += text;
    } else if (op < 9) {
      const QString text = piece(random.bounded(20));
      store.insertText(at, text);
      model.insert(at, text);
    } else {
      const qint64 to = std::min<qint64>(model.size(), at + random.bounded(200));
      store.removeText(at, to);
      model.remove(at, to - at);
    }
    QCOMPARE(store.size(), model.size());
    // Each paragraph starts where its text is, and holds no more than a paragraph may.
    const qint64 p = store.paragraphAt(at);
    const qint64 start = store.paragraphStart(p);
    QVERIFY(start <= at && at <= start + store.paragraphLength(p));
    QCOMPARE(store.paragraphText(p), model.mid(start, store.paragraphLength(p)));
    QVERIFY(store.paragraphLength(p) <= TextStore::kLongestParagraph);
    if (step % 50 == 0)
      QCOMPARE(store.text(), model);
  }
  QCOMPARE(store.text(), model);
  QCOMPARE(store.text(1000, 70000), model.mid(1000, 69000));
  // A long stream: its full chunks are kept deflated.
  for (int i = 0; i < 1000; ++i) {
    const QString text = piece(2000);
    store.appendText(text);
    model += text;
  }
  QCOMPARE(store.text(model.size() - 100000, model.size()), model.right(100000));
  QVERIFY2(double(store.bytesHeld()) / double(model.size()) < bytesPerCharacter,
           qPrintable(QString::number(double(store.bytesHeld()) / double(model.size()))));
}

QTEST_MAIN(TextTest)
#include "tst_text.moc"
