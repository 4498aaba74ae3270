#include "Delivery.h"

#include "Schema.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

namespace {
// Runs a batch carries: one transaction on the server each, which a server commits to disk.
constexpr int kBatchRuns = 200;
// A server that does not answer within this is down, for now.
constexpr int kConnectTimeoutS = 5;
// Any number will do, as long as it is the same in every copy: it keeps two benches from
// making the server's tables at once.
constexpr qint64 kSchemaLock = 0x676c6f77;

// Marks text stored escaped: a character that no Big5 code and no keyboard gives.
constexpr char16_t kEscaped = 0xFDD0;

// A connection of its own for as long as it lives.
struct Connection {
  explicit Connection(const QString &driver)
      : name(QStringLiteral("delivery-") + QUuid::createUuid().toString(QUuid::Id128)) {
    QSqlDatabase::addDatabase(driver, name);
  }
  ~Connection() {
    { QSqlDatabase::database(name, false).close(); }
    QSqlDatabase::removeDatabase(name);
  }
  QSqlDatabase db() const { return QSqlDatabase::database(name, false); }
  QString name;
};

bool IsText(const SchemaColumn &column) { return QByteArray(column.type).startsWith("TEXT"); }

// A column's values as one array, as the server reads an array literal: a value a quoted
// element, a missing one NULL.
QString ArrayLiteral(const QStringList &elements) {
  return QLatin1Char('{') + elements.join(QLatin1Char(',')) + QLatin1Char('}');
}

QString Element(const QVariant &value, bool text) {
  if (value.isNull())
    return QStringLiteral("NULL");
  QString element = text ? ToServerText(value.toString()) : value.toString();
  element.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
  return QLatin1Char('"') + element + QLatin1Char('"');
}

// The server's name for an array of the column's type.
QString ArrayType(const SchemaColumn &column) {
  const QByteArray type = QByteArray(column.type).split(' ').first();
  return type == "TEXT"      ? QStringLiteral("text[]")
         : type == "INTEGER" ? QStringLiteral("integer[]")
         : type == "BIGINT"  ? QStringLiteral("bigint[]")
                             : QStringLiteral("double precision[]");
}

// Copies a table's rows of these runs from the local store to the server: each column goes
// as one bound array, so a batch is one statement a table however many rows it has.
bool CopyRows(const SchemaTable &table, const QStringList &ids, QSqlDatabase local,
              QSqlDatabase server, QString *problem) {
  const QStringList columns = ColumnNames(table);
  QSqlQuery read(local);
  read.setForwardOnly(true);
  read.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3 IN (%4)")
                   .arg(columns.join(QStringLiteral(", ")), QLatin1String(table.name),
                        columns.first(), QStringList(ids.size(), QStringLiteral("?"))
                                             .join(QStringLiteral(", "))));
  for (qsizetype i = 0; i < ids.size(); ++i)
    read.bindValue(int(i), ids[i]);
  if (!read.exec()) {
    *problem = read.lastError().text();
    return false;
  }
  std::vector<QStringList> elements(table.columns.size());
  while (read.next())
    for (size_t c = 0; c < table.columns.size(); ++c)
      elements[c] << Element(read.value(int(c)), IsText(table.columns[c]));
  if (elements.front().isEmpty())
    return true;
  QStringList arrays;
  for (size_t c = 0; c < table.columns.size(); ++c)
    arrays << QStringLiteral("?::%1").arg(ArrayType(table.columns[c]));
  QSqlQuery write(server);
  write.prepare(QStringLiteral("INSERT INTO %1 (%2) SELECT * FROM unnest(%3) ON CONFLICT (%4) DO "
                               "NOTHING")
                    .arg(QLatin1String(table.name), columns.join(QStringLiteral(", ")),
                         arrays.join(QStringLiteral(", ")), QLatin1String(table.key)));
  for (size_t c = 0; c < elements.size(); ++c)
    write.bindValue(int(c), ArrayLiteral(elements[c]));
  if (write.exec())
    return true;
  *problem = write.lastError().text();
  return false;
}

bool Exec(QSqlDatabase db, const QString &statement, QString *problem) {
  QSqlQuery query(db);
  if (query.exec(statement))
    return true;
  *problem = query.lastError().text();
  return false;
}
} // namespace

QString ToServerText(const QString &text) {
  if (!text.contains(QChar(0)) && !text.startsWith(QChar(kEscaped)))
    return text;
  QString out{QChar(kEscaped)};
  for (const QChar c : text)
    out += c == QChar(0) ? QStringLiteral("\\0") : c == QLatin1Char('\\') ? QStringLiteral("\\\\")
                                                                          : QString(c);
  return out;
}

QString FromServerText(const QString &text) {
  if (!text.startsWith(QChar(kEscaped)))
    return text;
  QString out;
  for (qsizetype i = 1; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('\\') && i + 1 < text.size()) {
      out += text[++i] == QLatin1Char('0') ? QChar(0) : text[i];
      continue;
    }
    out += text[i];
  }
  return out;
}

bool OpenServer(const ResultsTarget &target, const QString &connection, QString *problem) {
  QSqlDatabase db = QSqlDatabase::database(connection, false);
  db.setHostName(target.host);
  db.setPort(target.port);
  db.setUserName(target.user);
  db.setDatabaseName(target.database);
  // Without one here, the server's client takes it from PGPASSWORD or the user's .pgpass.
  if (!target.password.isEmpty())
    db.setPassword(target.password);
  db.setConnectOptions(QStringLiteral("connect_timeout=%1").arg(kConnectTimeoutS));
  if (!db.open()) {
    *problem = db.lastError().text().simplified();
    return false;
  }
  // The server's notices ("already exists, skipping") are not the tool's to print.
  QSqlQuery(db).exec(QStringLiteral("SET client_min_messages TO WARNING"));
  QString why;
  int version = 0;
  QSqlQuery query(db);
  bool ok = db.transaction() &&
            Exec(db, QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kSchemaLock), &why);
  if (ok && query.exec(QStringLiteral("SELECT to_regclass('schema_version') IS NOT NULL")) &&
      query.next() && query.value(0).toBool() &&
      query.exec(QStringLiteral("SELECT version FROM schema_version")) && query.next())
    version = query.value(0).toInt();
  if (ok && version > kSchemaVersion) {
    why = QCoreApplication::translate("Results", "made by a newer glow-panel (schema %1; this one knows %2)")
              .arg(version)
              .arg(kSchemaVersion);
    ok = false;
  }
  for (const QString &statement : SchemaStatements(version, true))
    ok = ok && Exec(db, statement, &why);
  if (ok && version < kSchemaVersion)
    ok = Exec(db,
              version == 0 ? QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)")
                                 .arg(kSchemaVersion)
                           : QStringLiteral("UPDATE schema_version SET version = %1")
                                 .arg(kSchemaVersion),
              &why);
  if (ok && db.commit())
    return true;
  db.rollback();
  *problem = why.isEmpty() ? db.lastError().text() : why;
  return false;
}

DeliveryOutcome DeliverWaiting(const ResultsTarget &target, qint64 budgetMs) {
  DeliveryOutcome outcome;
  if (target.kind != ResultsTarget::Postgres)
    return outcome;
  QElapsedTimer clock;
  clock.start();
  Connection local(QStringLiteral("QSQLITE"));
  local.db().setDatabaseName(target.file);
  local.db().setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=15000"));
  const QString name = target.name();
  auto count = [&] {
    QSqlQuery query(local.db());
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM outbox WHERE target = ?"));
    query.addBindValue(name);
    return query.exec() && query.next() ? query.value(0).toInt() : 0;
  };
  auto note = [&](const QString &why) {
    QSqlQuery query(local.db());
    query.prepare(QStringLiteral(
        "UPDATE outbox SET attempts = attempts + 1, last_error = ? WHERE target = ?"));
    query.addBindValue(why);
    query.addBindValue(name);
    query.exec();
    outcome.problem = why;
  };
  if (!local.db().open()) {
    outcome.problem = local.db().lastError().text();
    return outcome;
  }
  outcome.waiting = count();
  if (outcome.waiting == 0)
    return outcome;
  if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
    note(QCoreApplication::translate("Results", "this system has no PostgreSQL driver for Qt"));
    return outcome;
  }
  Connection server(QStringLiteral("QPSQL"));
  QString why;
  if (!OpenServer(target, server.name, &why)) {
    note(why);
    return outcome;
  }
  while (clock.elapsed() < budgetMs) {
    QStringList ids;
    QSqlQuery next(local.db());
    next.prepare(QStringLiteral(
        "SELECT run_id FROM outbox WHERE target = ? ORDER BY queued_ms LIMIT ?"));
    next.addBindValue(name);
    next.addBindValue(kBatchRuns);
    if (next.exec())
      while (next.next())
        ids << next.value(0).toString();
    // Its snapshot would keep the outbox from being cleared below.
    next.finish();
    if (ids.isEmpty())
      break;
    bool ok = server.db().transaction();
    for (const SchemaTable &table : kSchemaTables)
      if (!table.local && table.key)
        ok = ok && CopyRows(table, ids, local.db(), server.db(), &why);
    if (!ok || !server.db().commit()) {
      server.db().rollback();
      note(why.isEmpty() ? server.db().lastError().text() : why);
      break;
    }
    QStringList marks(ids.size(), QStringLiteral("?"));
    QSqlQuery done(local.db());
    done.prepare(QStringLiteral("DELETE FROM outbox WHERE run_id IN (%1)")
                     .arg(marks.join(QStringLiteral(", "))));
    for (qsizetype i = 0; i < ids.size(); ++i)
      done.bindValue(int(i), ids[i]);
    if (!done.exec()) {
      outcome.problem = done.lastError().text();
      break;
    }
    outcome.delivered += int(ids.size());
  }
  outcome.waiting = count();
  return outcome;
}
