#include "ByteRows.h"

#include "Big5.h"

#include <array>
#include <optional>

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

QString Pair(uchar lead, uchar trail) {
  const char pair[2] = {char(lead), char(trail)};
  const QString c = Big5Character(QByteArrayView(pair, 2));
  return c.isEmpty() ? kNoCharacter : c;
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

void ByteRows::skip(QByteArrayView bytes) {
  const qsizetype n = bytes.size();
  qsizetype i = lead_ >= 0 && n > 0 && IsBig5Trail(uchar(bytes[0])) ? 1 : 0;
  lead_ = -1;
  for (; i < n; ++i) {
    if (!IsBig5Lead(uchar(bytes[i])))
      continue;
    if (i + 1 == n)
      lead_ = uchar(bytes[i]);
    else if (IsBig5Trail(uchar(bytes[i + 1])))
      ++i;
  }
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

  const qsizetype n = bytes.size();
  QStringList lines;
  lines.reserve(2 * (n / kBytesPerLine + 1));
  QString hex, reading;
  auto endLine = [&] {
    while (reading.endsWith(QLatin1Char(' ')))
      reading.chop(1);
    lines << hex << reading;
  };
  // The reading of the byte after a lead byte, decided with the lead: empty when the
  // character already stands under both, the character when a line end parted them.
  std::optional<QString> trail;
  if (lead_ >= 0 && n > 0 && IsBig5Trail(uchar(bytes[0])))
    trail = Cell(Pair(uchar(lead_), uchar(bytes[0])), 1);
  lead_ = -1;
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
    if (trail) {
      reading += *std::exchange(trail, std::nullopt);
    } else if (!IsBig5Lead(b)) {
      reading += kSingleCells[b];
    } else if (i + 1 == n) {
      reading += readWithNext;
      lead_ = b;
    } else if (!IsBig5Trail(uchar(bytes[i + 1]))) {
      reading += noCharacter;
    } else {
      const QString c = Pair(b, uchar(bytes[i + 1]));
      const bool lineEnds = i % kBytesPerLine == kBytesPerLine - 1;
      reading += lineEnds ? readWithNext : Cell(c, 2);
      trail = lineEnds ? Cell(c, 1) : QString();
    }
  }
  if (n > 0)
    endLine();
  return lines;
}
