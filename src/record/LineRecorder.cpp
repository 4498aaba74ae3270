#include "LineRecorder.h"

#include <QDateTime>

namespace {
QString ByteCount(qint64 bytes) {
  return bytes == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(bytes);
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

TLineRecorder::Press::Press(const QString &button) {
  instance().flushPress();
  instance().press_ = button;
}

TLineRecorder::Press::~Press() { instance().flushPress(); }

void TLineRecorder::sent(const QByteArray &bytes) {
  sinceWrite_.start();
  answerPending_ = true;
  if (press_.isEmpty()) {
    emitRow(QStringLiteral("TX ") + ByteCount(bytes.size()), bytes, &sentRows_);
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
  emitRow(head, std::exchange(pressBytes_, QByteArray()), &sentRows_);
  pressWrites_ = 0;
  pressLongest_ = 0;
}

void TLineRecorder::received(const QByteArray &bytes) {
  if (bytes.isEmpty())
    return;
  QString head = QStringLiteral("RX ") + ByteCount(bytes.size());
  if (std::exchange(answerPending_, false))
    head += QStringLiteral(", +%1 ms after the last write").arg(sinceWrite_.elapsed());
  emitRow(head, bytes, &receivedRows_);
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
  sentRows_.reset();
  receivedRows_.reset();
  answerPending_ = false;
}

void TLineRecorder::emitRow(const QString &head, const QByteArray &bytes, ByteRows *rows) {
  // A copy of just these bytes: what a read returns can be the port's whole buffer block
  // (16 KB for a few hundred bytes), and rows are kept for a long while.
  const LineRow row{QDateTime::currentMSecsSinceEpoch(), head,
                    QByteArray(bytes.constData(), bytes.size()), rows ? rows->lead() : -1};
  if (rows)
    rows->skip(bytes);
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
