#include "ResultsCommands.h"

#include "Delivery.h"
#include "ExitCode.h"
#include "History.h"
#include "Platform.h"
#include "ResultStore.h"

#include <QCoreApplication>
#include <QUuid>

namespace {
// The store that where names, opened; none, and said, when it cannot be used.
bool OpenStore(const QString &where, ResultStore *store) {
  QString problem;
  const std::optional<ResultsTarget> target = ParseResultsTarget(ResultsWhere(where), &problem);
  if (target && target->kind == ResultsTarget::None)
    problem = QCoreApplication::translate("Results", "no store: results go nowhere (none)");
  else if (target && !store->open(*target))
    problem = store->problem();
  if (problem.isEmpty())
    return true;
  PrintToConsole(ConsoleStream::Err, problem + QLatin1Char('\n'));
  return false;
}
} // namespace

int ShowResultsStatus(const QString &where) {
  ResultStore store;
  if (!OpenStore(where, &store))
    return kRunBadInput;
  const ResultsTarget &target = store.target();
  QString text = QCoreApplication::translate("Results", "Results go to %1\n").arg(target.name());
  text += QCoreApplication::translate("Results", "%1 runs stored in %2\n")
              .arg(store.runCount())
              .arg(target.file);
  if (target.kind == ResultsTarget::Postgres) {
    const int waiting = store.waitingRuns();
    text += waiting == 0 ? QCoreApplication::translate("Results", "Nothing waits for the server.\n")
                         : QCoreApplication::translate("Results", "%1 records wait for the server: %2\n")
                               .arg(waiting)
                               .arg(store.waitingProblem());
  }
  PrintToConsole(ConsoleStream::Out, text);
  return kRunPassed;
}

int ShowHistory(const QString &where, const QString &serial) {
  ResultStore store;
  if (!OpenStore(where, &store))
    return kRunBadInput;
  const ResultsTarget &target = store.target();
  QString problem;
  QList<StoredRun> runs;
  if (target.kind == ResultsTarget::Postgres) {
    // The benches' history is the server's; the runs still waiting are this bench's too.
    const QString connection =
        QStringLiteral("history-") + QUuid::createUuid().toString(QUuid::Id128);
    {
      QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
      if (OpenServer(target, connection, &problem))
        runs = UnitHistory(QSqlDatabase::database(connection), serial, false, true, &problem);
      else
        PrintToConsole(ConsoleStream::Err,
                       QCoreApplication::translate("Results",
                                                   "%1: %2; this bench's runs only\n")
                           .arg(target.name(), problem));
      QSqlDatabase::database(connection, false).close();
    }
    QSqlDatabase::removeDatabase(connection);
  }
  QStringList known;
  for (const StoredRun &run : runs)
    known << run.id;
  for (const StoredRun &run : UnitHistory(store.database(), serial, false, false, &problem))
    if (!known.contains(run.id))
      runs << run;
  std::stable_sort(runs.begin(), runs.end(), [](const StoredRun &a, const StoredRun &b) {
    return a.startedMs < b.startedMs;
  });
  PrintToConsole(ConsoleStream::Out, HistoryText(serial, runs));
  return kRunPassed;
}
