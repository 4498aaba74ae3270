#include "LineJournal.h"

#include "Tool.h"

#include "Clock.h"
#include "ComPort.h"

#include <QDateTime>

namespace {
QString ByteCount(qint64 bytes) {
  return bytes == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(bytes);
}

LineRow Row(LineRow::Kind kind, const QByteArray &bytes = {}) {
  LineRow row;
  row.kind = kind;
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

QString LineRow::words() const {
  switch (kind) {
  case Sent: {
    QString words = ByteCount(bytes.size());
    if (writes > 1)
      words += longestWrite == 1 ? QStringLiteral(", %1 writes of 1 byte").arg(writes)
                                 : QStringLiteral(", %1 writes").arg(writes);
    if (press)
      words += QStringLiteral(" (%1)").arg(PressButton(*press));
    return words;
  }
  case Received:
    return firstReply ? QStringLiteral("%1, +%2 ms after the last write")
                            .arg(ByteCount(bytes.size()))
                            .arg(replyMs)
                      : ByteCount(bytes.size());
  case NotSent:
    return lineWasLost
               ? QStringLiteral("%1 not sent: the line is lost").arg(ByteCount(bytes.size()))
               : QStringLiteral("%1 not sent: the device held the line back for %2 s (flow "
                                "control: XOFF, or CTS low); the press ends here")
                     .arg(ByteCount(bytes.size()))
                     .arg(double(TComPort::kWriteTimeout.count()) / 1000, 0, 'f', 1);
  case Discarded:
    return QStringLiteral("backlog discarded (%1), more than a poll may take")
        .arg(ByteCount(discardedBytes));
  case Opened:
    return QStringLiteral("port opened: ") + what;
  case Closed:
    return QStringLiteral("port closed");
  case Lost:
    return QStringLiteral("line lost");
  case Event:
    break;
  }
  return what;
}

QString LineRow::head() const {
  const char *direction = kind == Sent ? "TX " : kind == Received ? "RX " : "-- ";
  return QLatin1String(direction) + words();
}

QString LineRow::text() const {
  QStringList lines{TimeOfDay(utcMs) + QLatin1Char(' ') + head()};
  lines += ByteRows(leadBefore).lines(bytes);
  return lines.join(QLatin1Char('\n'));
}

TLineJournal::TLineJournal(QObject *parent) : QObject(parent) {
  connect(&log_, &TLogFile::failed, this, [this](const QString &reason) {
    logError_ = reason;
    emit logFailed();
  });
}

void TLineJournal::beginPress(Press press) {
  flushPress();
  press_ = press;
}

void TLineJournal::endPress() { flushPress(); }

void TLineJournal::sent(const QByteArray &bytes, qint64 endNs) {
  lastWriteEndNs_ = endNs;
  answerPending_ = true;
  // The sweep's writes are 100 ms apart, with replies between them: each is a row of its
  // own, in the log as it happens.
  if (!press_ || press_ == Press::AsciiDemo) {
    LineRow row = Row(LineRow::Sent, bytes);
    row.press = press_;
    emitRow(row, &sent_);
    return;
  }
  pressBytes_ += bytes;
  ++pressWrites_;
  pressLongest_ = qMax(pressLongest_, int(bytes.size()));
}

void TLineJournal::flushPress() {
  if (!press_)
    return;
  const Press press = *std::exchange(press_, std::nullopt);
  if (pressWrites_ == 0)
    return;
  LineRow row = Row(LineRow::Sent, std::exchange(pressBytes_, QByteArray()));
  row.press = press;
  row.writes = std::exchange(pressWrites_, 0);
  row.longestWrite = std::exchange(pressLongest_, 0);
  emitRow(row, &sent_);
}

void TLineJournal::notSent(const QByteArray &bytes, bool lineLost) {
  flushPress();
  LineRow row = Row(LineRow::NotSent, bytes);
  row.lineWasLost = lineLost;
  emitRow(row, nullptr);
}

void TLineJournal::received(const QByteArray &bytes, qint64 arrivalNs) {
  if (bytes.isEmpty())
    return;
  LineRow row = Row(LineRow::Received, bytes);
  if (lastWriteEndNs_ >= 0)
    row.replyMs = WholeMs(qMax<qint64>(0, arrivalNs - lastWriteEndNs_));
  row.firstReply = std::exchange(answerPending_, false) && row.replyMs >= 0;
  emitRow(row, &received_, arrivalNs);
}

void TLineJournal::discarded(qint64 bytes) {
  flushPress();
  LineRow row = Row(LineRow::Discarded);
  row.discardedBytes = bytes;
  emitRow(row, nullptr);
}

void TLineJournal::opened(const QString &device, const QString &settings, const QString &step) {
  writeHeader(QStringLiteral("%1 at %2").arg(device, settings));
  flushPress();
  // A new line: nothing is pending from the one before, and no write to time a reply from.
  sent_.reset();
  received_.reset();
  lastWriteEndNs_ = -1;
  answerPending_ = false;
  LineRow row = Row(LineRow::Opened);
  row.what = QStringLiteral("%1, %2").arg(device, settings);
  row.step = step;
  emitRow(row, nullptr);
}

void TLineJournal::closed() {
  flushPress();
  emitRow(Row(LineRow::Closed), nullptr);
}

void TLineJournal::lost() {
  flushPress();
  emitRow(Row(LineRow::Lost), nullptr);
}

void TLineJournal::event(const QString &what) {
  flushPress();
  LineRow row = Row(LineRow::Event);
  row.what = what;
  emitRow(row, nullptr);
}

void TLineJournal::emitRow(LineRow row, Big5Reader *reader, qint64 atNs) {
  row.utcMs = QDateTime::currentMSecsSinceEpoch();
  if (atNs >= 0)
    row.utcMs -= WholeMs(qMax<qint64>(0, SteadyNs() - atNs));
  // A copy of just these bytes: what a read returns can be the port's whole buffer block
  // (16 KB for a few hundred bytes), and rows are kept for a long while.
  row.bytes = QByteArray(row.bytes.constData(), row.bytes.size());
  row.leadBefore = reader ? reader->lead() : -1;
  if (reader)
    reader->skipChunk(row.bytes);
  if (log_.active())
    writeLog(row.text());
  emit this->row(row);
}

bool TLineJournal::recordTo(const QString &path) {
  stopRecording();
  logError_.clear();
  if (!log_.start(path)) {
    logError_ = log_.reason();
    return false;
  }
  writeHeader(QStringLiteral("log started"));
  return true;
}

bool TLineJournal::stopRecording() { return log_.stop(); }

void TLineJournal::writeHeader(const QString &what) {
  writeLog(QStringLiteral("# %1 %2, %3, %4")
               .arg(QLatin1String(kToolName), QLatin1String(kToolVersion), what,
                    QDateTime::currentDateTime().toString(Qt::ISODate)));
}

void TLineJournal::writeLog(const QString &text) { log_.append(text.toUtf8() + '\n'); }
