#include "LineRecorder.h"

#include "Big5.h"

#include <QDateTime>
#include <QMetaMethod>

namespace {
constexpr int kCell = 4;
constexpr char kControlNames[33][4] = {
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",
    "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
    "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US",  "SP"};
const QString kLone = QStringLiteral("??");
const QString kAwaited = QStringLiteral("..");

// A reading padded to the cells it stands under.
QString Cell(const QString &reading, int cells) {
  int width = 0;
  for (const QChar c : reading) {
    const char16_t u = c.unicode();
    // Han, kana, hangul, CJK symbols and full-width forms take two columns.
    const bool wide = (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) ||
                      (u >= 0xAC00 && u <= 0xD7A3) || (u >= 0xF900 && u <= 0xFAFF) ||
                      (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60) ||
                      (u >= 0xFFE0 && u <= 0xFFE6);
    width += wide ? 2 : 1;
  }
  return reading + QString(qMax(1, cells * kCell - width), QLatin1Char(' '));
}

QString SingleByte(uchar b) {
  if (b <= 0x20)
    return QString::fromLatin1(kControlNames[b]);
  if (b == 0x7F)
    return QStringLiteral("DEL");
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

QString Now() { return QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz")); }
} // namespace

TLineRecorder &LineRecorder() {
  static TLineRecorder recorder;
  return recorder;
}

QStringList TLineRecorder::ByteLines(const QByteArray &bytes, int *lead) {
  const qsizetype n = bytes.size();
  QStringList cells(n);
  qsizetype i = 0;
  if (*lead >= 0 && n > 0 && IsBig5Trail(uchar(bytes[0]))) {
    const QString c = Pair(uchar(*lead), uchar(bytes[0]));
    cells[0] = Cell(c, 1);
    i = 1;
  }
  *lead = -1;
  for (; i < n; ++i) {
    const uchar b = uchar(bytes[i]);
    if (!IsBig5Lead(b)) {
      const QString s = SingleByte(b);
      cells[i] = Cell(s, 1);
    } else if (i + 1 == n) {
      cells[i] = Cell(kAwaited, 1);
      *lead = b;
    } else if (!IsBig5Trail(uchar(bytes[i + 1]))) {
      cells[i] = Cell(kLone, 1);
    } else {
      const QString c = Pair(b, uchar(bytes[i + 1]));
      const bool lineEnds = i % kBytesPerLine == kBytesPerLine - 1;
      // The character stands under both its bytes, or under the second where a line
      // break parts them.
      cells[i] = lineEnds ? Cell(kAwaited, 1) : Cell(c, 2);
      cells[++i] = lineEnds ? Cell(c, 1) : QString();
    }
  }
  static const char kHex[] = "0123456789ABCDEF";
  QStringList lines;
  for (qsizetype start = 0; start < n; start += kBytesPerLine) {
    const qsizetype stop = qMin(n, start + kBytesPerLine);
    QString hex = QStringLiteral("    "), reading = hex;
    hex.reserve(4 + kBytesPerLine * kCell);
    reading.reserve(4 + kBytesPerLine * kCell);
    for (qsizetype j = start; j < stop; ++j) {
      const uchar b = uchar(bytes[j]);
      hex += QLatin1Char(kHex[b >> 4]);
      hex += QLatin1Char(kHex[b & 15]);
      if (j + 1 < stop)
        hex += QLatin1String("  ");
      reading += cells[j];
    }
    while (reading.endsWith(QLatin1Char(' ')))
      reading.chop(1);
    lines << hex << reading;
  }
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
    emitRow(QStringLiteral("TX %1 bytes").arg(bytes.size()), bytes, &sentLead_);
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
  QString head = QStringLiteral("TX %1 bytes").arg(pressBytes_.size());
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
  QString head = QStringLiteral("RX %1 bytes").arg(bytes.size());
  if (std::exchange(answerPending_, false))
    head += QStringLiteral(", +%1 ms after the last write").arg(sinceWrite_.elapsed());
  emitRow(head, bytes, &receivedLead_);
}

void TLineRecorder::discarded(qint64 bytes) {
  event(QStringLiteral("backlog discarded (%1 bytes), more than a poll may take").arg(bytes));
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
