// Everything that happens on the line, as rows of text for the line monitor and the log
// file: each write (the single-byte writes of one button press gathered into one row that
// says how many there were), each chunk a poll took, and each event (opened, open failed,
// settings rejected, closed, line lost, backlog discarded). A row starts with the time to
// the millisecond and a direction (TX, RX or --), then lists its bytes sixteen to a line,
// hex above and their Big5 reading below, each byte in a cell of its own: a control byte
// in caret form (^M), a two-byte character under its own two bytes (under the second when the
// two came apart), an invalid or lone lead byte as "??".
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>
#include <QStringList>

class TLineRecorder : public QObject {
  Q_OBJECT
public:
  static constexpr int kBytesPerLine = 16;

  // The rows' bytes, as lines of hex and reading; lead is the lead byte the previous
  // chunk of the same direction ended with (-1 for none), and is updated.
  static QStringList ByteLines(const QByteArray &bytes, int *lead);
  // The columns a text takes in a fixed-width font, a Chinese character counting two.
  static int Columns(const QString &text);

  // Gathers the writes made while it lives into one row named after the button.
  class Press {
  public:
    explicit Press(const QString &button);
    ~Press();
    Press(const Press &) = delete;
    Press &operator=(const Press &) = delete;
  };

  void sent(const QByteArray &bytes);
  void received(const QByteArray &bytes);
  void discarded(qint64 bytes);
  void opened(const QString &device, const QString &settings);
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
  void row(const QString &text);
  // Writing the log failed (it is then closed); the reason is in logError().
  void logFailed();

private:
  void emitRow(const QString &head, const QByteArray &bytes, int *lead);
  void flushPress();
  void writeLog(const QString &text);

  QString press_;
  QByteArray pressBytes_;
  int pressWrites_ = 0;
  int pressLongest_ = 0;
  int sentLead_ = -1;
  int receivedLead_ = -1;
  QElapsedTimer sinceWrite_;
  bool answerPending_ = false;
  QFile log_;
  QString logError_;
};

// The one recorder of the process; WriteCom and the poller report to it.
TLineRecorder &LineRecorder();
