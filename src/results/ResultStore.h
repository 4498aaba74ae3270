// A station's results, kept: every run with its passes, steps and values, in a SQLite file
// (ResultsTarget). The first use makes the file and its tables. Many processes store at
// once (a rack's devices, the board's tiles, a second copy): the file is written ahead of
// its log and a writer waits its turn rather than failing. What is stored goes in one
// transaction, so that a full disk or a kill leaves the store as it was before. A run's
// passes may be stored as they end (a long repeat keeps none in memory), the run itself
// when it ends; only then is it stored, and only then may it count as a pass. For a server,
// the run then waits in the outbox until it is delivered (Delivery.h).
#pragma once

#include "ResultsTarget.h"
#include "RunRecord.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <memory>

class ResultStore {
  Q_DECLARE_TR_FUNCTIONS(ResultStore)

public:
  ResultStore();
  ~ResultStore();
  ResultStore(const ResultStore &) = delete;
  ResultStore &operator=(const ResultStore &) = delete;

  // Opens the store, making it on first use; false, with problem(), when it cannot be used:
  // a folder, a file that is no store, one that cannot be written, one made by a newer tool.
  bool open(const ResultsTarget &target);
  const ResultsTarget &target() const { return target_; }
  // Why the last thing asked of the store failed.
  QString problem() const { return problem_; }

  // The pass at index into record.passes, as it ends. The run stays unfinished until
  // storeRun().
  bool storePass(const RunRecord &record, int index);
  // The run as it ended, with the passes it keeps; for a server it then waits to be
  // delivered.
  bool storeRun(const RunRecord &record);
  // Several runs as they ended, in one transaction: all of them, or none.
  bool storeRuns(const QList<RunRecord> &records);

  // How many records wait for the server, and why the last delivery failed.
  int waitingRuns();
  QString waitingProblem();
  // How many runs the store holds.
  qint64 runCount();

  // The store, for what reads it (a unit's history, the yield).
  QSqlDatabase database() const;

private:
  bool fail(const QString &what, const QString &why);
  bool writeRun(const RunRecord &record, bool finished);
  bool writePass(const RunRecord &record, const PassRecord &pass);
  // A run's end: its row, its passes, its variables, and where it waits for a server.
  bool writeEnd(const RunRecord &record);
  bool exec(const QString &statement);
  // Keeps the query's error as the problem; false.
  bool raw(const QSqlQuery &query);

  ResultsTarget target_;
  QString connection_;
  bool open_ = false;
  QString problem_;
};
