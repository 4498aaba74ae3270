// The results store's schema, in one place: every table and column, from which the store is
// made, a run is copied from one store to another, and docs/results.md describes. The
// schema is an interface: tables and columns are only ever added, each addition a new
// version with the step that brings an older store up to it. A store made by a newer tool
// than this one is refused, never written.
#pragma once

#include <QStringList>

#include <vector>

// The version this tool makes and knows. 2 added the run's start to each step and value,
// and the indexes the yield reads through.
constexpr int kSchemaVersion = 2;

struct SchemaColumn {
  const char *name;
  // The same types work in SQLite and in PostgreSQL.
  const char *type;
};

struct SchemaTable {
  const char *name;
  std::vector<SchemaColumn> columns;
  const char *key;
  // Kept in the local store only: what waits for delivery to a server.
  bool local;
};

// A run, its passes, each pass's steps, each step's values, and the run's variables; the
// records waiting for a server. Every table but the outbox has the run's id first.
extern const std::vector<SchemaTable> kSchemaTables;

// The statements that bring a store of version from up to this one (from 0: make it), in
// order. postgres: for a server, which has no outbox.
QStringList SchemaStatements(int from, bool postgres);
// The names of a table's columns, in order.
QStringList ColumnNames(const SchemaTable &table);
const SchemaTable &SchemaTableNamed(const char *name);
