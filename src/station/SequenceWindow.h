// The sequence window: a window of its own beside the main window (F11, or the receive
// memo's menu). It loads a sequence file or what the line monitor has recorded, runs it
// through the port session, as the main window's buttons press it, while the main window
// keeps working, and shows each
// step's state and time, the running step in view and a failed one in red. The results can
// be saved as a JUnit report. "Station…" takes the steps to the operator's board.
#pragma once

#include "ResultsKeeper.h"
#include "SequenceRunner.h"

#include <QWidget>

QT_BEGIN_NAMESPACE
class QLabel;
class QPushButton;
class QSpinBox;
class QTreeWidget;
QT_END_NAMESPACE

class TLineMonitor;

class TSequenceWindow : public QWidget {
  Q_OBJECT
public:
  // choice: the port item and speed an open step without them uses.
  TSequenceWindow(TSession *session, std::function<PortChoice()> choice, TLineMonitor *monitor,
                  QWidget *parent = nullptr);

  // Where runs are stored: a run not stored is no pass, and the summary says why.
  void setKeeper(TResultsKeeper *keeper) { keeper_ = keeper; }
  // Loads a file; false, with the place and reason in the summary, when it is wrong.
  bool load(const QString &path);
  // Loads what the line monitor has recorded so far.
  void loadRecording();
  void run();
  SequenceRunner *runner() { return &runner_; }
  QString summary() const;

signals:
  // "Station…": the operator's board for these steps, a tile per device.
  void stationRequested(const QList<SequenceStep> &steps, const QString &name);
  // "Results…": the Results view.
  void resultsRequested();

private:
  void setSteps(const QList<SequenceStep> &steps, const QString &name);
  void showResult(int index, const StepResult &result);
  void showSummary(const QString &text, bool failed);
  void ask(int index, const QString &variable, const QString &prompt);
  void saveReport();
  void enableButtons();

  TLineMonitor *monitor_;
  TResultsKeeper *keeper_ = nullptr;
  // SHA-256 of the file's text with its includes.
  QByteArray hash_;
  SequenceRunner runner_;
  QList<SequenceStep> steps_;
  QString name_;
  // The first failure of the run, as the summary shows it.
  QString failure_;
  QLabel *file_;
  QTreeWidget *list_;
  QLabel *summary_;
  QPushButton *run_;
  QPushButton *stop_;
  QPushButton *report_;
  QPushButton *station_;
  QSpinBox *repeat_;
};
