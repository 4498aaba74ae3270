#include "LineRecorder.h"

#include <QDateTime>

namespace {
QString ByteCount(qint64 bytes) {
  return bytes == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(bytes);
}

LineRow Row(LineRow::Kind kind, const QString &head, const QByteArray &bytes = {}) {
  LineRow row;
  row.kind = kind;
  row.head = head;
  row.bytes = bytes;
  return row;
}

QString TimeOfDay(qint64 utcMs) {
  // Asking the time zone costs a file lookup each time. A zone's offset changes only on a
  // minute's boundary, so it is asked once for each minute.
  static qint64 minute = -1;
  static qint64 offsetMs = 0;
  if (utcMs / 60000 != minute) {
    minute = utcMs / 60000;
    offsetMs = QDateTime::fromMSecsSinceEpoch(utcMs).offsetFromUtc() * qint64(1000);
  }
  constexpr qint64 kDayMs = 24 * 3600 * 1000;
  const int ms = int(((utcMs + offsetMs) % kDayMs + kDayMs) % kDayMs);
  return QTime::fromMSecsSinceStartOfDay(ms).toString(QStringLiteral("HH:mm:ss.zzz"));
}
} // namespace

QString LineRow::text() const {
  QStringList lines{TimeOfDay(utcMs) + QLatin1Char(' ') + head};
  lines += ByteRows(leadBefore).lines(bytes);
  return lines.join(QLatin1Char('\n'));
}

TLineRecorder &TLineRecorder::instance() {
  static TLineRecorder recorder;
  return recorder;
}

TLineRecorder::Press::Press(const QString &button, const QString &step) {
  instance().flushPress();
  instance().press_ = button;
  instance().pressStep_ = step;
}

TLineRecorder::Press::~Press() { instance().flushPress(); }

void TLineRecorder::sent(const QByteArray &bytes) {
  sinceWrite_.start();
  answerPending_ = true;
  if (press_.isEmpty()) {
    emitRow(Row(LineRow::Sent, QStringLiteral("TX ") + ByteCount(bytes.size()), bytes), &sentRows_);
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
  LineRow row = Row(LineRow::Sent, head, std::exchange(pressBytes_, QByteArray()));
  row.step = pressStep_;
  emitRow(row, &sentRows_);
  pressWrites_ = 0;
  pressLongest_ = 0;
}

void TLineRecorder::received(const QByteArray &bytes) {
  if (bytes.isEmpty())
    return;
  LineRow row = Row(LineRow::Received, QStringLiteral("RX ") + ByteCount(bytes.size()), bytes);
  row.replyMs = sinceWrite_.isValid() ? sinceWrite_.elapsed() : -1;
  if (std::exchange(answerPending_, false))
    row.head += QStringLiteral(", +%1 ms after the last write").arg(row.replyMs);
  emitRow(row, &receivedRows_);
}

void TLineRecorder::discarded(qint64 bytes) {
  flushPress();
  LineRow row = Row(
      LineRow::Discarded,
      QStringLiteral("-- backlog discarded (%1), more than a poll may take").arg(ByteCount(bytes)));
  row.discardedBytes = bytes;
  emitRow(row, nullptr);
}

void TLineRecorder::opened(const QString &device, const QString &settings, const QString &step) {
  writeLog(QStringLiteral("# glow-panel %1, %2 at %3, %4")
               .arg(QStringLiteral(GLOW_PANEL_VERSION), device, settings,
                    QDateTime::currentDateTime().toString(Qt::ISODate)));
  flushPress();
  LineRow row =
      Row(LineRow::Opened, QStringLiteral("-- port opened: %1, %2").arg(device, settings));
  row.step = step;
  emitRow(row, nullptr);
}

void TLineRecorder::closed() {
  flushPress();
  emitRow(Row(LineRow::Closed, QStringLiteral("-- port closed")), nullptr);
}

void TLineRecorder::lost() {
  flushPress();
  emitRow(Row(LineRow::Lost, QStringLiteral("-- line lost")), nullptr);
}

void TLineRecorder::event(const QString &what) {
  flushPress();
  emitRow(Row(LineRow::Event, QStringLiteral("-- ") + what), nullptr);
}

void TLineRecorder::reset() {
  press_.clear();
  pressStep_.clear();
  pressBytes_.clear();
  pressWrites_ = pressLongest_ = 0;
  sentRows_.reset();
  receivedRows_.reset();
  answerPending_ = false;
  sinceWrite_.invalidate();
}

void TLineRecorder::emitRow(LineRow row, ByteRows *rows) {
  row.utcMs = QDateTime::currentMSecsSinceEpoch();
  // A copy of just these bytes: what a read returns can be the port's whole buffer block
  // (16 KB for a few hundred bytes), and rows are kept for a long while.
  row.bytes = QByteArray(row.bytes.constData(), row.bytes.size());
  row.leadBefore = rows ? rows->lead() : -1;
  if (rows)
    rows->skip(row.bytes);
  if (log_.isOpen())
    writeLog(row.text());
  emit this->row(row);
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
