// A rack's reports, merged from what each device's run wrote into a folder of parts: its
// JSON record at the end, and a JSON line for each pass as it ended. A device whose run
// ended without writing its record (killed, crashed) still has every pass it finished, from
// its lines, and is stopped with the reason its run ended. The merge is one JUnit file with
// a testsuite per device and pass, and one JSON record with a record per device; JSON lines
// are appended by the devices themselves, and by the rack for a device that could not say
// how its run ended.
#pragma once

#include "RunRecord.h"

#include <QDir>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <vector>

// One device's run as it ended.
struct MemberEnd {
  QString device;
  // Its short name, which heads its suites and names its parts.
  QString name;
  // Why it gave no verdict of its own ("stopped by signal 9"); empty when it gave one.
  QString ending;
};

// A device's run as it left it: its record where it wrote one whole, else what its lines
// hold, stopped with the reason its run ended. json is its record as written, or empty.
RunRecord MemberRecord(const MemberEnd &member, const QDir &parts, const QString &sequence,
                       QJsonObject *json);
// The parts a device's run writes into the folder: NAME.json and NAME.jsonl.
QStringList PartReports(const QDir &parts, const QString &name);
// Writes each of the rack's reports (by its form), adding to lost why one could not be.
void MergeReports(const QStringList &reports, const QString &sequence,
                  const std::vector<MemberEnd> &members, const QDir &parts, QStringList *lost);
