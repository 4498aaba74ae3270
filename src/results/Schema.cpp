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
      {"message", "TEXT NOT NULL"},
      {"started_ms", "BIGINT"}},
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
      {"high", "DOUBLE PRECISION"},
      {"started_ms", "BIGINT"}},
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
// What a unit's history and a span of days look for; what the yield reads, each partial and
// covering, so that a month of runs is read without a row of the tables.
constexpr const char *kIndexes[] = {
    "CREATE INDEX IF NOT EXISTS runs_serial ON runs (serial, started_ms)",
    "CREATE INDEX IF NOT EXISTS runs_started ON runs (started_ms)",
    "CREATE INDEX IF NOT EXISTS steps_failed ON steps (started_ms) WHERE verdict = 'FAIL'",
    "CREATE INDEX IF NOT EXISTS steps_replies ON steps (file, line, text, reply_ms, started_ms) "
    "WHERE reply_ms IS NOT NULL",
    "CREATE INDEX IF NOT EXISTS values_limits ON step_values (started_ms, name, low, high, number) "
    "WHERE low IS NOT NULL",
};

// What each version added to the one before, for a store made before it.
struct Upgrade {
  int version;
  std::vector<const char *> statements;
};
const std::vector<Upgrade> kUpgrades = {
    {2,
     {"ALTER TABLE steps ADD COLUMN started_ms BIGINT",
      "UPDATE steps SET started_ms = (SELECT started_ms FROM runs WHERE runs.id = steps.run_id)",
      "ALTER TABLE step_values ADD COLUMN started_ms BIGINT",
      "UPDATE step_values SET started_ms = (SELECT started_ms FROM runs WHERE runs.id = "
      "step_values.run_id)"}},
};
} // namespace

QStringList SchemaStatements(int from, bool postgres) {
  QStringList statements;
  for (const Upgrade &upgrade : kUpgrades)
    if (from > 0 && from < upgrade.version)
      for (const char *statement : upgrade.statements)
        statements << QLatin1String(statement);
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
