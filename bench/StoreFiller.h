// Runs as a busy station stores them, made up: units with serial numbers, a retest for most
// that fail, twenty steps each (an open, an ask, eight commands with replies, two values
// with limits, a close), a few failing at a reply and a few at a limit. The same index
// always gives the same run.
#pragma once

#include "RunRecord.h"

#include <QDateTime>
#include <QString>

// The serial number of the unit tested by run index.
QString UnitSerial(int index);
// Run index, as started at started.
RunRecord SyntheticRun(int index, int seed, const QDateTime &started);
// A store of runs, spread evenly from since to now; with target, each waits for that server.
void FillStore(const QString &file, int runs, const QDateTime &since, const QString &target = {});
