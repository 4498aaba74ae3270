// Runs as JUnit XML, for a CI server: a testsuite per pass and a testcase per step, of one
// run or of a rack's devices (each suite then headed by the device's name). A failure is
// the unit's; a step that ended without a verdict on the unit (stopped, the line lost) is
// an error, and so is a run that ended so between passes, in a suite of its own.
#pragma once

#include "RunRecord.h"

#include <QList>
#include <QString>

#include <utility>

// runs: each run with the name its suites are headed by (empty for none). False, with the
// reason, when the file cannot be written.
bool WriteJUnit(const QString &path, const QList<std::pair<QString, RunRecord>> &runs,
                QString *error);
