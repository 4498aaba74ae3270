#include "YieldCommand.h"

#include "Delivery.h"
#include "ExitCode.h"
#include "Platform.h"
#include "Reports.h"
#include "ResultStore.h"
#include "YieldPage.h"
#include "YieldText.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <QUuid>

namespace {
// A time as --since and --until take it: a date (its start), or a date and time, in local
// time unless it says its offset. dayEnd: a date alone means the end of that day.
std::optional<QDateTime> TimeOf(const QString &text, bool dayEnd) {
  const QString t = text.trimmed();
  if (t.compare(QLatin1String("today"), Qt::CaseInsensitive) == 0)
    return QDateTime(QDate::currentDate().addDays(dayEnd ? 1 : 0), QTime(0, 0));
  const QDate date = QDate::fromString(t, Qt::ISODate);
  if (date.isValid())
    return QDateTime(date.addDays(dayEnd ? 1 : 0), QTime(0, 0));
  QDateTime time = QDateTime::fromString(QString(t).replace(QLatin1Char(' '), QLatin1Char('T')),
                                         Qt::ISODateWithMs);
  if (time.isValid())
    return time;
  return std::nullopt;
}

bool Write(const QString &path, const QByteArray &bytes) {
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
    return true;
  PrintToConsole(ConsoleStream::Err,
                 QStringLiteral("not written: %1: %2\n").arg(path, file.errorString()));
  return false;
}

int Wrong(const QString &why) {
  PrintToConsole(ConsoleStream::Err, QStringLiteral("glow-panel: %1\n").arg(why));
  return kRunBadInput;
}
} // namespace

int ShowYield(const YieldCommand &command) {
  YieldFilter filter{QDateTime(QDate::currentDate(), QTime(0, 0)),
                     QDateTime(QDate::currentDate().addDays(1), QTime(0, 0)),
                     {},
                     command.station,
                     command.device};
  // Runs keep their sequence's file name: a path given names the same file.
  if (!command.sequence.isEmpty())
    filter.sequence = QFileInfo(command.sequence).fileName();
  if (!command.since.isEmpty()) {
    const std::optional<QDateTime> since = TimeOf(command.since, false);
    if (!since)
      return Wrong(QCoreApplication::translate("Yield", "--since %1: not a date or a time")
                       .arg(command.since));
    filter.since = *since;
  }
  if (!command.until.isEmpty()) {
    const std::optional<QDateTime> until = TimeOf(command.until, true);
    if (!until)
      return Wrong(QCoreApplication::translate("Yield", "--until %1: not a date or a time")
                       .arg(command.until));
    filter.until = *until;
  }
  if (filter.since >= filter.until)
    return Wrong(QCoreApplication::translate("Yield", "--since %1 is not before --until %2")
                     .arg(filter.since.toString(Qt::ISODate), filter.until.toString(Qt::ISODate)));
  for (const QString &path : {command.html, command.json})
    if (!path.isEmpty())
      if (const QString problem = ReportProblem(path); !problem.isEmpty())
        return Wrong(problem);
  QString problem;
  const std::optional<ResultsTarget> target =
      ParseResultsTarget(ResultsWhere(command.results), &problem);
  ResultStore store;
  if (!target || target->kind == ResultsTarget::None || !store.open(*target))
    return Wrong(!target ? problem
                 : target->kind == ResultsTarget::None
                     ? QCoreApplication::translate("Yield", "--results none: no runs to count")
                     : store.problem());
  // A server's figures are every bench's.
  QSqlDatabase db = store.database();
  const bool server = target->kind == ResultsTarget::Postgres;
  const QString connection = QStringLiteral("yield-") + QUuid::createUuid().toString(QUuid::Id128);
  if (server) {
    QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
    if (!OpenServer(*target, connection, &problem)) {
      QSqlDatabase::removeDatabase(connection);
      return Wrong(QStringLiteral("%1: %2").arg(target->name(), problem));
    }
    db = QSqlDatabase::database(connection);
  }
  int code = kRunPassed;
  if (!filter.sequence.isEmpty() && !SequenceKnown(db, server, filter.sequence)) {
    code = Wrong(QCoreApplication::translate("Yield", "--sequence %1: no run of it is stored")
                     .arg(filter.sequence));
  } else {
    const YieldFigures figures = ComputeYield(db, server, filter, &problem);
    if (!problem.isEmpty()) {
      code = Wrong(problem);
    } else {
      PrintToConsole(ConsoleStream::Out, YieldText(figures));
      if (!command.json.isEmpty() &&
          !Write(command.json, QJsonDocument(YieldJson(figures)).toJson(QJsonDocument::Indented)))
        code = kRunFailed;
      if (!command.html.isEmpty() && !Write(command.html, YieldPage(figures).toUtf8()))
        code = kRunFailed;
    }
  }
  if (server) {
    db = QSqlDatabase();
    QSqlDatabase::database(connection, false).close();
    QSqlDatabase::removeDatabase(connection);
  }
  return code;
}
