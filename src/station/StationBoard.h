// The operator's board: one tile per device (StationTile), each running the same sequence
// on a port session of its own, started all at once or one at a time.
#pragma once

#include "StationTile.h"

#include <QTimer>
#include <QWidget>

QT_BEGIN_NAMESPACE
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
QT_END_NAMESPACE

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
  // A tile for each device, in order (none: every serial port found); nothing while a tile
  // runs.
  void setDevices(QStringList devices);
  // Where the tiles' runs are stored: the window's, or the board's own made with where.
  void setKeeper(TResultsKeeper *keeper);
  TResultsKeeper *keeper() const { return keeper_; }
  void startAll();
  QList<TStationTile *> tiles() const { return tiles_; }

private:
  void arrange();
  void tick();
  void giveKeyboard();
  QHash<QString, QString> presetFor(const QString &device) const;

  SessionOptions options_;
  TResultsKeeper *keeper_;
  QString log_;
  QList<SequenceStep> steps_;
  QString name_;
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
