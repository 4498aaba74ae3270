// The line monitor: a window of its own beside the main window, showing the rows of the
// line recorder as they come, oldest first, and following the end while the end is in
// view. It keeps the newest kKeptLines lines and counts the rows that went out at the top;
// the log file keeps everything. Closing it only hides it. Rows can be selected and
// copied, saved as a file, or recorded to a file from now on.
#pragma once

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
  // About 30 MB of text and layout at the most.
  static constexpr int kKeptLines = 100000;
  // How long rows gather before they go into view.
  static constexpr std::chrono::milliseconds kViewUpdate{100};

  explicit TLineMonitor(QWidget *parent = nullptr);

  // Everything the monitor holds, as shown.
  QString text() const;
  // Starts recording to a file; on failure the monitor comes up and says why.
  bool recordTo(const QString &path);

private:
  void addRow(const QString &row);
  void showEvent(QShowEvent *event) override;
  void showPending();
  void saveAs();
  void toggleRecording();
  void showState();

  QPlainTextEdit *view_;
  QLabel *state_;
  QPushButton *record_;
  // The lines of each row still in view, oldest first, to count the rows that go.
  std::deque<int> rowLines_;
  // Rows not yet in view: while hidden, and for a moment while shown, so that a stream of
  // rows is laid out and painted a few times a second rather than row by row.
  QStringList pendingRows_;
  int lines_ = 0;
  qint64 droppedRows_ = 0;
  QTimer pendingTimer_;
};
