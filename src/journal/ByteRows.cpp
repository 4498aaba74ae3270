#include "ByteRows.h"

#include <array>
#include <vector>

namespace {
const QString kNoCharacter = QStringLiteral("??");
// Under a lead byte whose character stands under the byte after it.
const QString kReadWithNext = QStringLiteral("..");

// A reading padded to the cells it stands under.
QString Cell(const QString &reading, int cells) {
  const int room = cells * ByteRows::kCellColumns - ByteRows::columns(reading);
  return reading + QString(qMax(1, room), QLatin1Char(' '));
}

QString SingleByte(uchar b) {
  // Control bytes in caret form (^L for 0x0C, ^? for DEL): a name such as FF would read as
  // the byte 0xFF right under a hex line.
  if (b < 0x20 || b == 0x7F)
    return QStringLiteral("^") + QLatin1Char(char(b ^ 0x40));
  if (b == 0x20)
    return QStringLiteral("SP");
  if (b < 0x7F)
    return QString(QLatin1Char(char(b)));
  return kNoCharacter;
}

} // namespace

int ByteRows::columns(const QString &text) {
  int width = 0;
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    // Han (the user-defined area of Big5 included), kana, hangul, CJK symbols and
    // full-width forms take two columns.
    const bool wide = (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) ||
                      (u >= 0xAC00 && u <= 0xD7A3) || (u >= 0xE000 && u <= 0xFAFF) ||
                      (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60) ||
                      (u >= 0xFFE0 && u <= 0xFFE6);
    width += wide ? 2 : 1;
  }
  return width;
}

QStringList ByteRows::lines(const QByteArray &bytes) {
  // Made once: a row of a few hundred kilobytes is formatted while the window waits.
  static const std::array<QString, 256> kSingleCells = [] {
    std::array<QString, 256> cells;
    for (int b = 0; b < 256; ++b)
      cells[size_t(b)] = Cell(SingleByte(uchar(b)), 1);
    return cells;
  }();
  static const QString readWithNext = Cell(kReadWithNext, 1), noCharacter = Cell(kNoCharacter, 1);
  static const char kHex[] = "0123456789ABCDEF";

  // Each byte's reading, decided by the characters the reader makes of the chunk: a pair
  // stands under its two bytes (under the second where a line end parts them), a byte of
  // its own has its cell, a lead byte at the end waits for the next chunk.
  const qsizetype n = bytes.size();
  const bool leadBefore = reader_.lead() >= 0;
  std::vector<qsizetype> ends;
  const QString text = reader_.readChunk(bytes, &ends);
  std::vector<QString> cells;
  cells.resize(size_t(n));
  qsizetype start = 0;
  for (size_t k = 0; k < ends.size(); ++k) {
    const qsizetype end = ends[k];
    const QString c = text[qsizetype(k)] == QChar(QChar::ReplacementCharacter)
                          ? kNoCharacter
                          : QString(text[qsizetype(k)]);
    if (k == 0 && leadBefore) {
      // The character of the lead byte the chunk before ended with.
      if (end == 1)
        cells[0] = Cell(c, 1);
    } else if (end - start == 2) {
      const bool lineEnds = start % kBytesPerLine == kBytesPerLine - 1;
      cells[size_t(start)] = lineEnds ? readWithNext : Cell(c, 2);
      cells[size_t(start + 1)] = lineEnds ? Cell(c, 1) : QString();
    } else if (end > start) {
      cells[size_t(start)] = kSingleCells[uchar(bytes[start])];
    }
    start = end;
  }
  // An empty chunk leaves a lead byte waiting where it was.
  if (reader_.lead() >= 0 && n > 0)
    cells[size_t(n - 1)] = readWithNext;

  QStringList lines;
  lines.reserve(2 * (n / kBytesPerLine + 1));
  QString hex, reading;
  auto endLine = [&] {
    while (reading.endsWith(QLatin1Char(' ')))
      reading.chop(1);
    lines << hex << reading;
  };
  for (qsizetype i = 0; i < n; ++i) {
    if (i % kBytesPerLine == 0) {
      if (i > 0)
        endLine();
      hex = QStringLiteral("    ");
      reading = hex;
    } else {
      hex += QLatin1String("  ");
    }
    const uchar b = uchar(bytes[i]);
    hex += QLatin1Char(kHex[b >> 4]);
    hex += QLatin1Char(kHex[b & 15]);
    reading += cells[size_t(i)];
  }
  if (n > 0)
    endLine();
  return lines;
}
