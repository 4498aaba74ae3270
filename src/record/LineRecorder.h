// Everything that happens on the line, as rows of text for the line monitor and the log
// file: each write (the single-byte writes of one button press gathered into one row that
// says how many there were), each chunk a poll took, and each event (opened, open failed,
// settings rejected, closed, line lost, backlog discarded). A row starts with the time to
// the millisecond and a direction (TX, RX or --), then lists its bytes as ByteRows shows
// them. Rows are handed on raw: their text is made only where it is shown, saved or written
// to the log, so that a monitor nobody looks at costs no formatting.
#pragma once

#include "ByteRows.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>
#include <QStringList>

// One row as it happened, raw.
struct LineRow {
  enum Kind { Event, Sent, Received, Discarded, Lost, Opened, Closed };
  qint64 utcMs = 0;
  Kind kind = Event;
  // "TX 4 bytes (eEND)", "RX 2 bytes, +3 ms after the last write", "-- port closed".
  QString head;
  QByteArray bytes;
  // The lead byte the previous chunk of the same direction left waiting for its trail.
  int leadBefore = -1;
  // Sent and Opened: the sequence step that does the same ("initial-vfd", "open COM1 9600").
  QString step;
  // Received: ms since the last write, or -1 before any. Discarded: the bytes thrown away.
  qint64 replyMs = -1;
  qint64 discardedBytes = 0;

  // The row as the monitor, "Save As…" and the log show it.
  QString text() const;
  int lineCount() const { return 1 + ByteRows::lineCount(bytes.size()); }
};

class TLineRecorder : public QObject {
  Q_OBJECT
public:
  // The one recorder of the process; WriteCom and the poller report to it.
  static TLineRecorder &instance();

  // Gathers the writes made while it lives into one row named after the button; step is
  // the sequence step that does the same.
  class Press {
  public:
    Press(const QString &button, const QString &step);
    ~Press();
    Press(const Press &) = delete;
    Press &operator=(const Press &) = delete;
  };

  void sent(const QByteArray &bytes);
  void received(const QByteArray &bytes);
  void discarded(qint64 bytes);
  void opened(const QString &device, const QString &settings, const QString &step);
  void closed();
  void lost();
  void event(const QString &what);
  // Back to the state of a new run: no pending character, no press, no write to time from.
  void reset();

  // Appends every row from now on to the file, each one handed to the operating system
  // before the next. False, with the reason in logError(), when the file cannot be written.
  bool recordTo(const QString &path);
  void stopRecording();
  QString logPath() const { return log_.fileName(); }
  bool recording() const { return log_.isOpen(); }
  QString logError() const { return logError_; }

signals:
  void row(const LineRow &row);
  // Writing the log failed (it is then closed); the reason is in logError().
  void logFailed();

private:
  void emitRow(LineRow row, ByteRows *rows);
  void flushPress();
  void writeLog(const QString &text);

  QString press_;
  QString pressStep_;
  QByteArray pressBytes_;
  int pressWrites_ = 0;
  int pressLongest_ = 0;
  // Each direction's rows, which read a character split between two chunks.
  ByteRows sentRows_;
  ByteRows receivedRows_;
  QElapsedTimer sinceWrite_;
  bool answerPending_ = false;
  QFile log_;
  QString logError_;
};
