#include "Schema.h"

#include <cstring>

const std::vector<SchemaTable> kSchemaTables = {
    {"schema_version", {{"version", "INTEGER NOT NULL"}}, nullptr, false},
    {"runs",
     {{"id", "TEXT NOT NULL"},
      {"sequence", "TEXT NOT NULL"},
      {"sequence_hash", "TEXT NOT NULL"},
      {"device", "TEXT NOT NULL"},
      {"settings", "TEXT NOT NULL"},
      {"station", "TEXT NOT NULL"},
      {"tool_version", "TEXT NOT NULL"},
      {"serial", "TEXT"},
      {"started", "TEXT NOT NULL"},
      {"started_ms", "BIGINT NOT NULL"},
      {"ended", "TEXT"},
      {"ended_ms", "BIGINT"},
      {"verdict", "TEXT"},
      {"reason", "TEXT"},
      {"passes_asked", "INTEGER NOT NULL"},
      {"passes_run", "INTEGER NOT NULL"},
      {"passed_steps", "INTEGER NOT NULL"},
      {"failed_steps", "INTEGER NOT NULL"},
      {"failed_passes", "INTEGER NOT NULL"}},
     "id",
     false},
    {"passes",
     {{"run_id", "TEXT NOT NULL"},
      {"pass", "INTEGER NOT NULL"},
      {"started", "TEXT NOT NULL"},
      {"started_ms", "BIGINT NOT NULL"},
      {"ms", "BIGINT NOT NULL"},
      {"device", "TEXT NOT NULL"},
      {"settings", "TEXT NOT NULL"},
      {"verdict", "TEXT NOT NULL"}},
     "run_id, pass",
     false},
    {"steps",
     {{"run_id", "TEXT NOT NULL"},
      {"pass", "INTEGER NOT NULL"},
      {"step", "INTEGER NOT NULL"},
      {"file", "TEXT NOT NULL"},
      {"line", "INTEGER NOT NULL"},
      {"text", "TEXT NOT NULL"},
      {"verdict", "TEXT NOT NULL"},
      {"start_ms", "BIGINT NOT NULL"},
      {"ms", "BIGINT NOT NULL"},
      {"reply_ms", "BIGINT"},
      {"message", "TEXT NOT NULL"}},
     "run_id, pass, step",
     false},
    {"step_values",
     {{"run_id", "TEXT NOT NULL"},
      {"pass", "INTEGER NOT NULL"},
      {"step", "INTEGER NOT NULL"},
      {"name", "TEXT NOT NULL"},
      {"text", "TEXT NOT NULL"},
      {"number", "DOUBLE PRECISION"},
      {"low", "DOUBLE PRECISION"},
      {"high", "DOUBLE PRECISION"}},
     "run_id, pass, step, name",
     false},
    {"variables",
     {{"run_id", "TEXT NOT NULL"}, {"name", "TEXT NOT NULL"}, {"text", "TEXT NOT NULL"}},
     "run_id, name",
     false},
    {"outbox",
     {{"run_id", "TEXT NOT NULL"},
      {"target", "TEXT NOT NULL"},
      {"queued_ms", "BIGINT NOT NULL"},
      {"attempts", "INTEGER NOT NULL"},
      {"last_error", "TEXT NOT NULL"}},
     "run_id",
     true},
};

namespace {
// What a unit's history, a span of days and a station look for.
constexpr const char *kIndexes[] = {
    "CREATE INDEX IF NOT EXISTS runs_serial ON runs (serial, started_ms)",
    "CREATE INDEX IF NOT EXISTS runs_started ON runs (started_ms)",
};
} // namespace

QStringList SchemaStatements(bool postgres) {
  QStringList statements;
  for (const SchemaTable &table : kSchemaTables) {
    if (table.local && postgres)
      continue;
    QStringList columns;
    for (const SchemaColumn &c : table.columns)
      columns << QStringLiteral("%1 %2").arg(QLatin1String(c.name), QLatin1String(c.type));
    if (table.key)
      columns << QStringLiteral("PRIMARY KEY (%1)").arg(QLatin1String(table.key));
    statements << QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)")
                      .arg(QLatin1String(table.name), columns.join(QStringLiteral(", ")));
  }
  for (const char *index : kIndexes)
    statements << QLatin1String(index);
  return statements;
}

QStringList ColumnNames(const SchemaTable &table) {
  QStringList names;
  for (const SchemaColumn &c : table.columns)
    names << QLatin1String(c.name);
  return names;
}

const SchemaTable &SchemaTableNamed(const char *name) {
  for (const SchemaTable &table : kSchemaTables)
    if (std::strcmp(table.name, name) == 0)
      return table;
  return kSchemaTables.front();
}
