// Where a station's results go: a SQLite file, by default in the user's data folder; a
// PostgreSQL server that many benches share (each record is stored in the local file first
// and delivered from there); or nowhere. --results, GLOW_PANEL_RESULTS and the window's
// setting name one the same way.
#pragma once

#include <QString>

#include <optional>

struct ResultsTarget {
  enum Kind { None, Sqlite, Postgres };
  Kind kind = Sqlite;
  // The SQLite file: the store itself, or where records wait for the server.
  QString file;
  QString host;
  int port = 5432;
  QString user;
  // From the URL, if it gives one; else the server's client finds it (PGPASSWORD, the
  // user's .pgpass). Never printed, logged or stored.
  QString password;
  QString database;

  // "sqlite:/home/ann/.local/share/glow-panel/results.sqlite",
  // "postgresql://tester@db:5432/results", "none": never with a password.
  QString name() const;
};

// The store when none is named: results.sqlite in the user's data folder.
QString DefaultResultsFile();
// What names the store when given is empty: GLOW_PANEL_RESULTS, else the default.
QString ResultsWhere(const QString &given);
// A store from its name: a path or sqlite:PATH, postgresql://USER@HOST:PORT/DB (the password
// may follow USER after a colon), or none; an empty name is the default. None, with why,
// when the name is none of these.
std::optional<ResultsTarget> ParseResultsTarget(const QString &where, QString *problem);
