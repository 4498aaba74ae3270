// The operator's board: one tile per device, each running the same sequence on a port
// session of its own, started all at once or one at a time. A tile shows the device, the
// unit's serial number once known (the variable serial), the running step and its elapsed
// time, and a large PASS or FAIL that stays until the tile starts again, with the reason on
// a failure. An ask is answered on its own tile, so a scanned serial number goes to the
// unit it belongs to.
#pragma once

#include "LineRecorder.h"
#include "PortSession.h"
#include "SequenceRunner.h"

#include <QElapsedTimer>
#include <QFrame>
#include <QTimer>

QT_BEGIN_NAMESPACE
class QGridLayout;
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

  void setSequence(const QList<SequenceStep> &steps, const QHash<QString, QString> &preset);
  void start();
  void stop() { runner_.stop(); }
  bool running() const { return runner_.running(); }
  // Shows the time since the start; the board calls it while the tile runs.
  void showElapsed();
  SequenceRunner *runner() { return &runner_; }
  QString device() const { return device_; }

signals:
  // An ask waits for its answer on this tile.
  void asking();

private:
  void finish();
  void showVerdict(const QString &verdict, const QColor &color);
  void showReason(const QString &text, bool failure);

  QString device_;
  TLineRecorder recorder_;
  TPortSession session_;
  SequenceRunner runner_;
  QList<SequenceStep> steps_;
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

class TStationBoard : public QWidget {
  Q_OBJECT
public:
  // options: the sessions' settings file, bindings and reopen; each tile puts its device on
  // COM 1. log: each device gets its own beside it, or none when empty.
  explicit TStationBoard(SessionOptions options, const QString &log = {},
                         QWidget *parent = nullptr);

  void setSequence(const QList<SequenceStep> &steps, const QString &name);
  // Values set before each run, for every device and for one device by its short name.
  void setVariables(const QHash<QString, QString> &all,
                    const QHash<QString, QHash<QString, QString>> &perDevice);
  // A tile for each device, in order; the running ones are stopped first.
  void setDevices(const QStringList &devices);
  void startAll();
  QList<TStationTile *> tiles() const { return tiles_; }

private:
  void arrange();
  void tick();
  QHash<QString, QString> presetFor(const QString &device) const;

  SessionOptions options_;
  QString log_;
  QList<SequenceStep> steps_;
  QHash<QString, QString> all_;
  QHash<QString, QHash<QString, QString>> perDevice_;
  QStringList devices_;
  QList<TStationTile *> tiles_;
  QLabel *file_;
  QLineEdit *deviceEdit_;
  QPushButton *startAll_;
  QPushButton *stopAll_;
  QGridLayout *grid_;
  QTimer clock_;
};
