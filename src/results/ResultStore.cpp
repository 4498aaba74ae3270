#include "ResultStore.h"

#include "Schema.h"
#include "Tool.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>

#include <cmath>

namespace {
// A writer waits this long for another to finish before it gives up.
constexpr int kBusyTimeoutMs = 15000;

qint64 UtcMs(const QDateTime &time) { return time.toMSecsSinceEpoch(); }

QVariant Number(const QString &text) {
  bool ok = false;
  const double v = QLocale::c().toDouble(text.trimmed(), &ok);
  return ok && std::isfinite(v) ? QVariant(v) : QVariant(QMetaType(QMetaType::Double));
}

QVariant Optional(const QString &text) {
  return text.isNull() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(text);
}

// Text a column must hold: a null string would go in as no value.
QVariant Text(const QString &text) {
  return text.isNull() ? QVariant(QString::fromLatin1("")) : QVariant(text);
}

// An insert of one row into a table, its values in the table's column order.
QString InsertStatement(const char *table, const char *onConflict) {
  const QStringList columns = ColumnNames(SchemaTableNamed(table));
  QStringList marks;
  for (qsizetype i = 0; i < columns.size(); ++i)
    marks << QStringLiteral("?");
  return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) ON CONFLICT (%4) %5")
      .arg(QLatin1String(table), columns.join(QStringLiteral(", ")),
           marks.join(QStringLiteral(", ")), QLatin1String(SchemaTableNamed(table).key),
           QLatin1String(onConflict));
}

bool Run(QSqlQuery &query, const QVariantList &values) {
  for (qsizetype i = 0; i < values.size(); ++i)
    query.bindValue(int(i), values[i]);
  return query.exec();
}
} // namespace

ResultStore::ResultStore()
    : connection_(QStringLiteral("results-") + QUuid::createUuid().toString(QUuid::Id128)) {}

ResultStore::~ResultStore() {
  { QSqlDatabase::database(connection_, false).close(); }
  QSqlDatabase::removeDatabase(connection_);
}

QSqlDatabase ResultStore::database() const { return QSqlDatabase::database(connection_, false); }

bool ResultStore::fail(const QString &what, const QString &why) {
  problem_ = what.isEmpty() ? QStringLiteral("%1: %2").arg(target_.name(), why)
                            : QStringLiteral("%1: %2: %3").arg(target_.name(), what, why);
  return false;
}

bool ResultStore::raw(const QSqlQuery &query) {
  problem_ = query.lastError().databaseText();
  return false;
}

bool ResultStore::exec(const QString &statement) {
  QSqlQuery query(database());
  if (query.exec(statement))
    return true;
  problem_ = query.lastError().databaseText();
  return false;
}

bool ResultStore::open(const ResultsTarget &target) {
  target_ = target;
  open_ = false;
  problem_.clear();
  if (target.kind == ResultsTarget::None)
    return true;
  const QFileInfo file(target.file);
  if (file.isDir())
    return fail({}, ResultStore::tr("a folder, not a file"));
  // The data folder is made on first use; a folder someone named must be there.
  if (target.file == DefaultResultsFile())
    QDir().mkpath(file.absolutePath());
  if (!QFileInfo(file.absolutePath()).isDir())
    return fail({}, ResultStore::tr("no such folder"));
  // SQLite would say only that it cannot open the file; the log beside it needs the
  // folder too.
  if ((file.exists() && !file.isWritable()) || !QFileInfo(file.absolutePath()).isWritable())
    return fail({}, ResultStore::tr("cannot be written here (a read-only file or folder)"));
  if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
    return fail({}, ResultStore::tr("this system has no SQLite driver for Qt"));
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db.setDatabaseName(target.file);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!db.open())
      return fail({}, db.lastError().text());
  }
  QSqlQuery query(database());
  // Written ahead of its log: readers never wait for a writer, and a kill leaves every
  // committed run whole. Switching a new file over takes it whole for a moment, and does
  // not wait for others that open it then: it is asked again until they are done.
  const QDeadlineTimer patience(kBusyTimeoutMs);
  while (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !query.next()) {
    if (patience.hasExpired() ||
        !query.lastError().databaseText().contains(QLatin1String("locked")))
      return fail({}, query.lastError().databaseText());
    QThread::msleep(5);
  }
  if (query.value(0).toString().toLower() != QLatin1String("wal"))
    return fail({}, ResultStore::tr("cannot keep a write-ahead log here"));
  // A statement left open holds its snapshot, and a writer that holds one may not wait.
  query.finish();
  // One writer makes the tables, the others wait and find them made.
  if (!exec(QStringLiteral("BEGIN IMMEDIATE")))
    return fail({}, problem_);
  int version = 0;
  if (query.exec(QStringLiteral("SELECT version FROM schema_version")) && query.next())
    version = query.value(0).toInt();
  QString why;
  if (version > kSchemaVersion)
    why = ResultStore::tr("made by a newer glow-panel (schema %1; this one knows %2)")
              .arg(version)
              .arg(kSchemaVersion);
  for (const QString &statement : SchemaStatements(version, false))
    if (why.isEmpty() && !exec(statement))
      why = problem_;
  if (why.isEmpty() && version < kSchemaVersion) {
    const bool first = version == 0;
    if (!exec(first ? QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)")
                          .arg(kSchemaVersion)
                    : QStringLiteral("UPDATE schema_version SET version = %1").arg(kSchemaVersion)))
      why = problem_;
  }
  if (!why.isEmpty() || !exec(QStringLiteral("COMMIT"))) {
    if (why.isEmpty())
      why = problem_;
    exec(QStringLiteral("ROLLBACK"));
    return fail({}, why);
  }
  open_ = true;
  return true;
}

bool ResultStore::writeRun(const RunRecord &record, bool finished) {
  const PassRecord *last = record.passes.isEmpty() ? nullptr : &record.passes.last();
  const QString serial = last ? last->variables.value(QStringLiteral("serial")) : QString();
  QSqlQuery query(database());
  // Stored unfinished with the first pass; the end, when it comes, completes the row.
  query.prepare(InsertStatement(
      "runs", finished ? "DO UPDATE SET device = excluded.device, settings = excluded.settings, "
                         "serial = excluded.serial, ended = excluded.ended, ended_ms = "
                         "excluded.ended_ms, verdict = excluded.verdict, reason = excluded.reason, "
                         "passes_run = excluded.passes_run, passed_steps = excluded.passed_steps, "
                         "failed_steps = excluded.failed_steps, failed_passes = "
                         "excluded.failed_passes"
                       : "DO NOTHING"));
  const QVariant none = QVariant(QMetaType(QMetaType::QString));
  const QVariant noTime = QVariant(QMetaType(QMetaType::LongLong));
  return Run(query,
             {record.id.toString(QUuid::WithoutBraces), Text(QFileInfo(record.sequence).fileName()),
              Text(QString::fromLatin1(record.sequenceHash)), Text(last ? last->device : QString()),
              Text(last ? last->settings : QString()), Text(record.host),
              QLatin1String(kToolVersion), serial.isEmpty() ? none : QVariant(serial),
              TimeText(record.started), UtcMs(record.started),
              finished ? QVariant(TimeText(record.ended)) : none,
              finished ? QVariant(UtcMs(record.ended)) : noTime,
              finished ? QVariant(VerdictWord(record.verdict())) : none,
              finished ? Optional(record.reason) : none, record.passesAsked, record.passesRun,
              record.passedSteps, record.failedSteps, record.failedPasses}) ||
         raw(query);
}

bool ResultStore::writePass(const RunRecord &record, const PassRecord &pass) {
  const QString id = record.id.toString(QUuid::WithoutBraces);
  QSqlQuery passes(database()), steps(database()), values(database());
  passes.prepare(InsertStatement("passes", "DO NOTHING"));
  steps.prepare(InsertStatement("steps", "DO NOTHING"));
  values.prepare(InsertStatement("step_values", "DO NOTHING"));
  if (!Run(passes, {id, pass.number, TimeText(pass.started), UtcMs(pass.started), pass.ms,
                    Text(pass.device), Text(pass.settings), VerdictWord(pass.verdict())}))
    return raw(passes);
  for (int i = 0; i < pass.results.size(); ++i) {
    const SequenceStep &step = record.steps[i];
    const StepResult &r = pass.results[i];
    const QString verdict = r.state == StepState::Failed && r.cause != Verdict::Fail
                                ? VerdictWord(r.cause)
                                : QString::fromLatin1(TextOf(r.state).word).trimmed();
    const qint64 started = UtcMs(record.started);
    if (!Run(steps,
             {id, pass.number, i, Text(step.file), step.line, Text(step.source), verdict, r.startMs,
              r.ms, r.replyMs >= 0 ? QVariant(r.replyMs) : QVariant(QMetaType(QMetaType::LongLong)),
              Text(r.message), started}))
      return raw(steps);
    const bool limited = step.kind == SequenceStep::Check && step.test == SequenceStep::Between;
    const QVariant noLimit = QVariant(QMetaType(QMetaType::Double));
    for (auto it = r.values.cbegin(); it != r.values.cend(); ++it) {
      const bool held = limited && it.key() == step.variable;
      if (!Run(values, {id, pass.number, i, it.key(), Text(it.value()), Number(it.value()),
                        held ? QVariant(step.low) : noLimit, held ? QVariant(step.high) : noLimit,
                        started}))
        return raw(values);
    }
  }
  return true;
}

bool ResultStore::storePass(const RunRecord &record, int index) {
  if (!open_)
    return target_.kind == ResultsTarget::None;
  if (exec(QStringLiteral("BEGIN IMMEDIATE")) && writeRun(record, false) &&
      writePass(record, record.passes[index]) && exec(QStringLiteral("COMMIT")))
    return true;
  const QString why = problem_;
  exec(QStringLiteral("ROLLBACK"));
  return fail(ResultStore::tr("storing a pass"), why);
}

bool ResultStore::storeRun(const RunRecord &record) { return storeRuns({record}); }

bool ResultStore::storeRuns(const QList<RunRecord> &records) {
  if (!open_)
    return target_.kind == ResultsTarget::None;
  bool ok = exec(QStringLiteral("BEGIN IMMEDIATE"));
  for (const RunRecord &record : records)
    ok = ok && writeEnd(record);
  if (ok && exec(QStringLiteral("COMMIT")))
    return true;
  const QString why = problem_;
  exec(QStringLiteral("ROLLBACK"));
  return fail(ResultStore::tr("storing a run"), why);
}

bool ResultStore::writeEnd(const RunRecord &record) {
  const QString id = record.id.toString(QUuid::WithoutBraces);
  bool ok = writeRun(record, true);
  for (const PassRecord &pass : record.passes)
    ok = ok && writePass(record, pass);
  if (ok) {
    QSqlQuery variables(database());
    variables.prepare(InsertStatement("variables", "DO UPDATE SET text = excluded.text"));
    const QHash<QString, QString> values =
        record.passes.isEmpty() ? QHash<QString, QString>() : record.passes.last().variables;
    for (auto it = values.cbegin(); ok && it != values.cend(); ++it)
      ok = Run(variables, {id, it.key(), Text(it.value())}) || raw(variables);
  }
  if (ok && target_.kind == ResultsTarget::Postgres) {
    QSqlQuery outbox(database());
    outbox.prepare(InsertStatement("outbox", "DO NOTHING"));
    ok = Run(outbox, {id, target_.name(), QDateTime::currentMSecsSinceEpoch(), 0, Text({})}) ||
         raw(outbox);
  }
  return ok;
}

int ResultStore::waitingRuns() {
  QSqlQuery query(database());
  return open_ && query.exec(QStringLiteral("SELECT COUNT(*) FROM outbox")) && query.next()
             ? query.value(0).toInt()
             : 0;
}

QString ResultStore::waitingProblem() {
  QSqlQuery query(database());
  if (open_ &&
      query.exec(QStringLiteral("SELECT last_error FROM outbox WHERE last_error <> '' "
                                "ORDER BY queued_ms DESC LIMIT 1")) &&
      query.next())
    return query.value(0).toString();
  return {};
}

qint64 ResultStore::runCount() {
  QSqlQuery query(database());
  return open_ && query.exec(QStringLiteral("SELECT COUNT(*) FROM runs")) && query.next()
             ? query.value(0).toLongLong()
             : 0;
}
