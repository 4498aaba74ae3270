// Everything that happens on the line, as rows for the line monitor and the log file: each
// write (the single-byte writes of one press gathered into one row that says how many there
// were), each chunk read, and each event (opened, open failed, settings rejected, closed,
// line lost, backlog discarded). A row starts with the time to the millisecond and a
// direction (TX, RX or --), then lists its bytes as ByteRows shows them. Rows are handed on
// raw, as facts: their text is made only where it is shown, saved or written to the log, so
// that a monitor nobody looks at costs no formatting. The port session reports to one
// journal; the monitor and the log hear it.
#pragma once

#include "ByteRows.h"
#include "LogFile.h"
#include "VfdCommands.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

// One row as it happened.
struct LineRow {
  enum Kind { Event, Sent, Received, Discarded, Lost, Opened, Closed, NotSent };
  Kind kind = Event;
  qint64 utcMs = 0;
  QByteArray bytes;
  // The lead byte the previous chunk of the same direction left waiting for its trail.
  int leadBefore = -1;
  // Sent: the press that made the writes (none for a bare write), how many writes, and
  // the longest.
  std::optional<Press> press;
  int writes = 1;
  int longestWrite = 0;
  // Received: ms from the end of the last write to the arrival, or -1 before any write;
  // whether it is the first chunk since that write.
  qint64 replyMs = -1;
  bool firstReply = false;
  // Discarded: the bytes thrown away.
  qint64 discardedBytes = 0;
  // NotSent: the line was lost (else the device held it back).
  bool lineWasLost = false;
  // Opened: "DEVICE, SETTINGS"; Event: what happened ("waiting for /dev/ttyUSB0").
  QString what;
  // Opened: the sequence step that does the same ("open COM1 9600").
  QString step;

  // The heading without its direction: "4 bytes (eEND)", "port opened: /dev/ttyS0, ...".
  QString words() const;
  // "TX 4 bytes (eEND)", "RX 2 bytes, +3 ms after the last write", "-- port closed".
  QString head() const;
  // The row as the monitor, "Save As…" and the log show it.
  QString text() const;
  int lineCount() const { return 1 + ByteRows::lineCount(bytes.size()); }
};

class TLineJournal : public QObject {
  Q_OBJECT
public:
  explicit TLineJournal(QObject *parent = nullptr);

  // The writes until endPress() are one row, named after the press.
  void beginPress(Press press);
  void endPress();
  // A write whose last byte left at endNs (the session's clock).
  void sent(const QByteArray &bytes, qint64 endNs);
  // Bytes of a write that did not leave: the line held back past the write's time, or lost.
  void notSent(const QByteArray &bytes, bool lineLost);
  // A chunk read; the reader learned of it at arrivalNs.
  void received(const QByteArray &bytes, qint64 arrivalNs);
  void discarded(qint64 bytes);
  void opened(const QString &device, const QString &settings, const QString &step);
  void closed();
  void lost();
  void event(const QString &what);

  // Appends every row from now on to the file (TLogFile). False, with the reason in
  // logError(), when the file certainly cannot be written; later trouble is logFailed().
  bool recordTo(const QString &path);
  // Ends recording once every row is in the file; false when some could not be written.
  bool stopRecording();
  QString logPath() const { return log_.path(); }
  bool recording() const { return log_.active(); }
  QString logError() const { return logError_; }

signals:
  void row(const LineRow &row);
  // Writing the log failed and recording stopped; the reason is in logError().
  void logFailed();

private:
  // reader: the row's direction, whose lead byte the row starts after; none for an event.
  void emitRow(LineRow row, Big5Reader *reader, qint64 atNs = -1);
  void flushPress();
  void writeHeader(const QString &what);
  void writeLog(const QString &text);

  std::optional<Press> press_;
  QByteArray pressBytes_;
  int pressWrites_ = 0;
  int pressLongest_ = 0;
  qint64 pressEndNs_ = 0;
  // Each direction's bytes go on from where the last chunk left them: a character may be
  // split between two chunks.
  Big5Reader sent_;
  Big5Reader received_;
  qint64 lastWriteEndNs_ = -1;
  bool answerPending_ = false;
  TLogFile log_;
  QString logError_;
};
