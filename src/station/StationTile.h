// One tile of the operator's board: a device with a port session, a line journal and a runner
// of its own. It shows the device, the unit's serial number once known (the variable
// serial), the running step and its elapsed time, and a large PASS or FAIL that stays until
// it starts again, with the reason on a failure. An ask is answered on the tile itself, so
// a scanned serial number goes to the unit it belongs to.
#pragma once

#include "LineJournal.h"
#include "PortSession.h"
#include "ResultsKeeper.h"
#include "SequenceRunner.h"

#include <QElapsedTimer>
#include <QFrame>

QT_BEGIN_NAMESPACE
class QLabel;
class QLineEdit;
class QPushButton;
QT_END_NAMESPACE

class TStationTile : public QFrame {
  Q_OBJECT
public:
  // options: the session's, with COM 1 on this device; log: this device's log, or empty.
  TStationTile(const QString &device, SessionOptions options, const QString &log,
               QWidget *parent = nullptr);

  // sequence: the file's name, as the run's record keeps it.
  void setSequence(const QList<SequenceStep> &steps, const QString &sequence,
                   const QHash<QString, QString> &preset);
  // Where the tile's runs are stored; a run not stored shows no PASS.
  void setKeeper(TResultsKeeper *keeper) { keeper_ = keeper; }
  void start();
  void stop() { runner_.stop(); }
  bool running() const { return runner_.running(); }
  // Shows the time since the start; the board calls it while the tile runs.
  void showElapsed();
  SequenceRunner *runner() { return &runner_; }
  QString device() const { return device_; }

signals:
  // An ask came up on this tile, or went (answered, or its step ended).
  void askChanged();

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

private:
  void finish();
  // The running step, cut with "…" to the room there is.
  void showStep();
  // Frames the tile while its answer has the keyboard.
  void showKeyboard(bool shown);
  void showVerdict(const QString &verdict, const QColor &color);
  void showReason(const QString &text, bool failure);

  QString device_;
  TResultsKeeper *keeper_ = nullptr;
  TLineJournal journal_;
  TPortSession session_;
  SequenceRunner runner_;
  QList<SequenceStep> steps_;
  QString sequence_;
  QString stepText_;
  bool keyboard_ = false;
  QHash<QString, QString> preset_;
  QString failure_;
  QElapsedTimer elapsed_;
  QLabel *serial_;
  QLabel *step_;
  QLabel *time_;
  QLabel *verdict_;
  QLabel *reason_;
  QLabel *prompt_;
  QLineEdit *answer_;
  QPushButton *start_;
};
