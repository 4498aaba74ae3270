// A PostgreSQL server of the test's own: a cluster made in a temporary folder, listening on
// a free port of the loopback address, with a user "tester" whose password is kPassword and
// a database "results". As root it runs as the user postgres (the server refuses root).
// Stopped "immediately" it drills a crash; started again it comes back with what it had.
#pragma once

#include <QString>
#include <QTemporaryDir>

class PgServer {
public:
  static constexpr char kPassword[] = "Sekr1t-pw-9";

  // durable: the server writes to disk as a real one does (the benchmark); the tests' own
  // skips that.
  explicit PgServer(bool durable = false);
  ~PgServer();
  // False, with why in problem(), where this machine has no PostgreSQL server to run.
  bool isValid() const { return valid_; }
  QString problem() const { return problem_; }
  int port() const { return port_; }
  // postgresql://tester@127.0.0.1:PORT/results, without the password.
  QString url() const;

  bool start();
  // As a crash: no checkpoint, no goodbye to the clients.
  bool stopNow();
  // What a query gives, as psql prints it (one value a line), or empty.
  QString query(const QString &sql) const;

private:
  bool run(const QStringList &command, QString *output = nullptr) const;

  QTemporaryDir dir_;
  QString bin_;
  int port_ = 0;
  bool durable_ = false;
  bool valid_ = false;
  QString problem_;
};

#define REQUIRE_SERVER(server)                                                                     \
  do {                                                                                             \
    if (!(server).isValid())                                                                       \
      QSKIP(qPrintable("needs a PostgreSQL server (Debian: postgresql): " + (server).problem()));  \
  } while (false)
