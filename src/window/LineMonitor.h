// The line monitor: a window of its own beside the main window, showing the rows of the
// line recorder as they come, oldest first, and following the end while the end is in
// view. It keeps the newest rows up to kKeptLines lines of text and counts the rows that
// went out at the top; the log file keeps everything. Closing it only hides it. Rows can
// be selected and copied, saved as a file, or recorded to a file from now on.
// The rows are kept raw (their bytes, time and heading) and made into text only while the
// monitor is shown, or when saved: a monitor nobody looks at costs its rows' bytes alone.
#pragma once

#include "LineRecorder.h"

#include <QTimer>
#include <QWidget>

#include <deque>

QT_BEGIN_NAMESPACE
class QLabel;
class QPlainTextEdit;
class QPushButton;
QT_END_NAMESPACE

class TLineMonitor : public QWidget {
  Q_OBJECT
public:
  // Shown, about 30 MB of text and layout at the most; hidden, about a megabyte of rows.
  static constexpr int kKeptLines = 100000;
  // How long rows gather before they go into view.
  static constexpr std::chrono::milliseconds kViewUpdate{100};

  explicit TLineMonitor(QWidget *parent = nullptr);

  // Everything the monitor holds, as shown.
  QString text() const;
  // Starts recording to a file; on failure the monitor comes up and says why.
  bool recordTo(const QString &path);
  using Rows = std::deque<LineRow>;
  const Rows &rows() const { return rows_; }

private:
  static QString textOf(Rows::const_iterator from, Rows::const_iterator to);

  void addRow(const LineRow &row);
  void showEvent(QShowEvent *event) override;
  void hideEvent(QHideEvent *event) override;
  void showPending();
  void saveAs();
  void saveAsSequence();
  void save(const QString &path, const QString &text);
  void toggleRecording();
  void showState();

  QPlainTextEdit *view_;
  QLabel *state_;
  QPushButton *record_;
  // The rows kept, oldest first, and the lines of text they make.
  Rows rows_;
  int lines_ = 0;
  // Whether the view holds the rows' text, and how many of the newest rows it still lacks:
  // a stream of rows is laid out a few times a second rather than row by row.
  bool inView_ = false;
  qsizetype unshown_ = 0;
  qint64 droppedRows_ = 0;
  QTimer pendingTimer_;
};
