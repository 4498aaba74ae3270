// The window's results store: where the sequence window and the board keep their runs. It
// stores a run and says so, or says why not (a run not stored is no pass); for a server it
// delivers what waits on a thread of its own, after each run and every minute, so that a
// server that does not answer never holds up the window; and it says how many records wait
// and why.
#pragma once

#include "ResultStore.h"

#include <QObject>
#include <QThread>
#include <QTimer>

#include <memory>

class TResultsKeeper : public QObject {
  Q_OBJECT
public:
  // How often what waits is offered to the server again.
  static constexpr std::chrono::minutes kDeliveryInterval{1};

  // where: as --results names a store; empty for GLOW_PANEL_RESULTS or the default.
  explicit TResultsKeeper(const QString &where, QObject *parent = nullptr);
  ~TResultsKeeper() override;

  // Opens another store; false, with problem(), when it cannot be used (the one before
  // stays).
  bool use(const QString &where);
  QString where() const { return where_; }
  // The store, or none when the last open failed (problem() says why).
  ResultStore *store() { return store_.get(); }
  QString problem() const { return problem_; }
  // Stores the run as it ended; false, with problem(), when it is not stored.
  bool keepRun(const RunRecord &record);
  // How things stand, in a line: where results go, and what waits for the server and why.
  QString statusLine() const { return status_; }

signals:
  void stored(const RunRecord &record);
  void statusChanged(const QString &status);

private:
  void deliver();
  void tell(int waiting, const QString &why);

  QString where_;
  std::unique_ptr<ResultStore> store_;
  QString problem_;
  QString status_;
  QThread thread_;
  QTimer timer_;
  bool delivering_ = false;
};
