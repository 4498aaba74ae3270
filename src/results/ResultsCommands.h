// The command line's questions to the results store, answered on the console: how the
// store stands (--results-status) and a unit's history (--history SERIAL).
#pragma once

#include <QString>

// Each gives the exit code: 0, or 2 when the store cannot be used.
int ShowResultsStatus(const QString &where);
int ShowHistory(const QString &where, const QString &serial);
