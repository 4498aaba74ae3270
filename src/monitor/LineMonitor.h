// The line monitor: a window of its own beside the main window, showing the rows of the
// line journal as they come, oldest first, and following the end while the end is in
// view. It keeps the newest rows up to kKeptLines lines of text and counts the rows that
// went out at the top; the log file keeps everything. Closing it only hides it. Rows can
// be selected and copied, saved as a file, or recorded to a file from now on.
// The rows are kept raw by a model of the record subsystem (TLineRows), which makes the
// text of only the lines in view, when the view asks for them: shown or not, the monitor
// costs its rows' bytes and little more, and a stream costs it the few lines on screen.
#pragma once

#include "LineRows.h"

#include <QTimer>
#include <QWidget>

QT_BEGIN_NAMESPACE
class QLabel;
class QTableView;
class QPushButton;
QT_END_NAMESPACE

class TLineMonitor : public QWidget {
  Q_OBJECT
public:
  // How long rows gather before they go into view.
  static constexpr std::chrono::milliseconds kViewUpdate{100};

  TLineMonitor(TLineJournal *journal, QWidget *parent = nullptr);

  // Everything the monitor holds, as shown.
  QString text() const;
  // The lines the view lists now, joined: text() once the view has caught up.
  QString shownText() const;
  // Starts recording to a file; on failure the monitor comes up and says why.
  bool recordTo(const QString &path);
  const TLineRows::Rows &rows() const { return lines_->rows(); }

private:
  void addRow(const LineRow &row);
  void showEvent(QShowEvent *event) override;
  void hideEvent(QHideEvent *event) override;
  void showPending();
  void copySelection();
  void saveAs();
  void saveAsSequence();
  void save(const QString &path, const QString &text);
  void toggleRecording();
  void showState();

  TLineJournal *journal_;
  QTableView *view_;
  TLineRows *lines_;
  QLabel *state_;
  QPushButton *record_;
  // Whether the view lists the rows; new rows go into it a few times a second.
  bool inView_ = false;
  QTimer pendingTimer_;
};
