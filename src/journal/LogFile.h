// The log file of the line's rows, written on a thread of its own. A row is handed over and
// the thread puts it into the file at once, so it reaches the operating system within a few
// milliseconds, while a file that blocks (a pipe nobody reads, a slow or full disk) never
// holds up the port, the window or a run. When the thread falls behind its bound, or the
// file refuses a row, recording stops, with the reason; what was written stays, and a row
// cut off by a full disk is taken back out of the file, or marked where it cannot be.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

// Why rows cannot be appended to this file at all, or empty: a folder, a missing folder, no
// permission. A pipe or a device is no problem: it is written as it is.
QString LogFileProblem(const QString &path);

class TLogFile : public QObject {
  Q_OBJECT
public:
  // Rows waiting past this many bytes, or the oldest past this long: the file takes no
  // more, and waiting longer would only hold the rows in memory.
  static constexpr qsizetype kLargestBacklog = 4 * 1024 * 1024;
  static constexpr std::chrono::milliseconds kLongestWait{2000};

  explicit TLogFile(QObject *parent = nullptr);
  ~TLogFile() override;

  // Appends to the file from now on. What is certainly wrong (no such folder, a folder) is
  // told at once (false, and reason()); the rest when the thread finds it (failed()).
  bool start(const QString &path);
  // Ends recording once what was handed over is in the file, waiting kLongestWait at the
  // most; false when some of it could not be written.
  bool stop();
  bool active() const;
  QString path() const { return path_; }
  QString reason() const { return reason_; }

  // Hands the text (one or more lines) over; never waits for the file.
  void append(const QByteArray &text);

signals:
  // Recording stopped because the file could not be opened, written or kept up with.
  void failed(const QString &reason);

private:
  struct Shared;
  void fail(const QString &reason);

  std::shared_ptr<Shared> shared_;
  QString path_;
  QString reason_;
};
