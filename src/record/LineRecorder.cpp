#include "LineRecorder.h"

#include "Big5.h"

#include <QDateTime>
#include <QMetaMethod>

#include <array>

namespace {
constexpr int kCell = 4;
const QString kLone = QStringLiteral("??");
const QString kAwaited = QStringLiteral("..");

// A reading padded to the cells it stands under.
QString Cell(const QString &reading, int cells) {
  return reading +
         QString(qMax(1, cells * kCell - TLineRecorder::Columns(reading)), QLatin1Char(' '));
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
  return kLone;
}

QString Pair(uchar lead, uchar trail) {
  // A complete pair leaves the decoder as it found it, so one serves every row.
  static Big5Decoder decoder;
  const char pair[2] = {char(lead), char(trail)};
  const QString text = decoder.decode(QByteArrayView(pair, 2));
  return text.size() == 1 && text[0] != QChar(QChar::ReplacementCharacter) ? text : kLone;
}

QString ByteCount(qint64 bytes) {
  return bytes == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(bytes);
}

QString Now() {
  // Asking the time zone costs a file lookup each time. A zone's offset changes only on a
  // minute's boundary, so it is asked once a minute.
  static qint64 minute = -1;
  static qint64 offsetMs = 0;
  const qint64 utcMs = QDateTime::currentMSecsSinceEpoch();
  if (utcMs / 60000 != minute) {
    minute = utcMs / 60000;
    offsetMs = QDateTime::fromMSecsSinceEpoch(utcMs).offsetFromUtc() * qint64(1000);
  }
  constexpr qint64 kDayMs = 24 * 3600 * 1000;
  const int ms = int(((utcMs + offsetMs) % kDayMs + kDayMs) % kDayMs);
  return QTime::fromMSecsSinceStartOfDay(ms).toString(QStringLiteral("HH:mm:ss.zzz"));
}
} // namespace

int TLineRecorder::Columns(const QString &text) {
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

TLineRecorder &LineRecorder() {
  static TLineRecorder recorder;
  return recorder;
}

QStringList TLineRecorder::ByteLines(const QByteArray &bytes, int *lead) {
  // Made once: a row of a few hundred kilobytes is formatted while the window waits.
  static const std::array<QString, 256> kSingleCells = [] {
    std::array<QString, 256> cells;
    for (int b = 0; b < 256; ++b)
      cells[size_t(b)] = Cell(SingleByte(uchar(b)), 1);
    return cells;
  }();
  static const QString awaited = Cell(kAwaited, 1), lone = Cell(kLone, 1);
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
  // The reading of a trail byte, decided with its lead: empty when the character already
  // stands under both, the character when a line end parted them.
  QString trail;
  bool trailDecided = false;
  if (*lead >= 0 && n > 0 && IsBig5Trail(uchar(bytes[0]))) {
    trail = Cell(Pair(uchar(*lead), uchar(bytes[0])), 1);
    trailDecided = true;
  }
  *lead = -1;
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
    if (std::exchange(trailDecided, false)) {
      reading += trail;
    } else if (!IsBig5Lead(b)) {
      reading += kSingleCells[b];
    } else if (i + 1 == n) {
      reading += awaited;
      *lead = b;
    } else if (!IsBig5Trail(uchar(bytes[i + 1]))) {
      reading += lone;
    } else {
      // The character stands under both its bytes, or under the second where a line
      // break parts them.
      const QString c = Pair(b, uchar(bytes[i + 1]));
      const bool lineEnds = i % kBytesPerLine == kBytesPerLine - 1;
      reading += lineEnds ? awaited : Cell(c, 2);
      trail = lineEnds ? Cell(c, 1) : QString();
      trailDecided = true;
    }
  }
  if (n > 0)
    endLine();
  return lines;
}

TLineRecorder::Press::Press(const QString &button) {
  LineRecorder().flushPress();
  LineRecorder().press_ = button;
}

TLineRecorder::Press::~Press() { LineRecorder().flushPress(); }

void TLineRecorder::sent(const QByteArray &bytes) {
  sinceWrite_.start();
  answerPending_ = true;
  if (press_.isEmpty()) {
    emitRow(QStringLiteral("TX ") + ByteCount(bytes.size()), bytes, &sentLead_);
    return;
  }
  pressBytes_ += bytes;
  ++pressWrites_;
  pressLongest_ = qMax(pressLongest_, int(bytes.size()));
}

void TLineRecorder::flushPress() {
  if (press_.isEmpty())
    return;
  const QString button = std::exchange(press_, QString());
  if (pressWrites_ == 0)
    return;
  QString head = QStringLiteral("TX ") + ByteCount(pressBytes_.size());
  if (pressWrites_ > 1)
    head += pressLongest_ == 1 ? QStringLiteral(", %1 writes of 1 byte").arg(pressWrites_)
                               : QStringLiteral(", %1 writes").arg(pressWrites_);
  head += QStringLiteral(" (%1)").arg(button);
  emitRow(head, std::exchange(pressBytes_, QByteArray()), &sentLead_);
  pressWrites_ = 0;
  pressLongest_ = 0;
}

void TLineRecorder::received(const QByteArray &bytes) {
  if (bytes.isEmpty())
    return;
  QString head = QStringLiteral("RX ") + ByteCount(bytes.size());
  if (std::exchange(answerPending_, false))
    head += QStringLiteral(", +%1 ms after the last write").arg(sinceWrite_.elapsed());
  emitRow(head, bytes, &receivedLead_);
}

void TLineRecorder::discarded(qint64 bytes) {
  event(QStringLiteral("backlog discarded (%1), more than a poll may take").arg(ByteCount(bytes)));
}

void TLineRecorder::opened(const QString &device, const QString &settings) {
  writeLog(QStringLiteral("# glow-panel %1, %2 at %3, %4")
               .arg(QStringLiteral(GLOW_PANEL_VERSION), device, settings,
                    QDateTime::currentDateTime().toString(Qt::ISODate)));
  event(QStringLiteral("port opened: %1, %2").arg(device, settings));
}

void TLineRecorder::event(const QString &what) {
  flushPress();
  emitRow(QStringLiteral("-- ") + what, QByteArray(), nullptr);
}

void TLineRecorder::reset() {
  press_.clear();
  pressBytes_.clear();
  pressWrites_ = pressLongest_ = 0;
  sentLead_ = receivedLead_ = -1;
  answerPending_ = false;
}

void TLineRecorder::emitRow(const QString &head, const QByteArray &bytes, int *lead) {
  // With no monitor and no file, a row would be made for no one; a character that rows
  // would have split is then no longer awaited either.
  if (!log_.isOpen() && !isSignalConnected(QMetaMethod::fromSignal(&TLineRecorder::row))) {
    if (lead)
      *lead = -1;
    return;
  }
  QStringList lines{Now() + QLatin1Char(' ') + head};
  if (lead)
    lines += ByteLines(bytes, lead);
  const QString text = lines.join(QLatin1Char('\n'));
  writeLog(text);
  emit row(text);
}

bool TLineRecorder::recordTo(const QString &path) {
  stopRecording();
  log_.setFileName(path);
  if (!log_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
    logError_ = QStringLiteral("%1: %2").arg(path, log_.errorString());
    return false;
  }
  logError_.clear();
  writeLog(QStringLiteral("# glow-panel %1, log started %2")
               .arg(QStringLiteral(GLOW_PANEL_VERSION),
                    QDateTime::currentDateTime().toString(Qt::ISODate)));
  return log_.isOpen();
}

void TLineRecorder::stopRecording() { log_.close(); }

void TLineRecorder::writeLog(const QString &text) {
  if (!log_.isOpen())
    return;
  // Each row goes to the operating system at once: a crash or a kill loses none of it.
  const QByteArray line = text.toUtf8() + '\n';
  if (log_.write(line) == line.size() && log_.flush())
    return;
  logError_ = QStringLiteral("%1: %2").arg(log_.fileName(), log_.errorString());
  log_.close();
  emit logFailed();
}
