// The runs that wait in the local store for the server, delivered a batch at a time: each
// batch in one transaction on the server, then taken off the local outbox. A run the server
// has already (its batch was committed there, and the outbox not cleared before the tool
// stopped) is left as it is there, so each run reaches the server once, however often its
// delivery is tried. A server that cannot be reached keeps them waiting: nothing is lost,
// and the next delivery tries again.
#pragma once

#include "ResultsTarget.h"

#include <QSqlDatabase>
#include <QString>

struct DeliveryOutcome {
  int delivered = 0;
  int waiting = 0;
  // Why the rest wait, or empty.
  QString problem;
};

// Delivers what waits for target's server for budgetMs at the most, on connections of its
// own (call it from any one thread at a time).
DeliveryOutcome DeliverWaiting(const ResultsTarget &target, qint64 budgetMs);

// Opens the server as connection, making its tables on first use; false, with why.
bool OpenServer(const ResultsTarget &target, const QString &connection, QString *problem);

// A server keeps no NUL character in text: such text goes there escaped, and reads back as
// it was.
QString ToServerText(const QString &text);
QString FromServerText(const QString &text);
