// A rack's reports, merged from what each device's run wrote: one JUnit file with a
// testsuite per device and pass, one JSON record with a record per device; and a JSON line
// for a device whose run ended before it could write its own. A device that left no
// report is failed in it, with the reason its run ended.
#pragma once

#include <QDir>
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

// Each takes the parts the devices wrote into the folder parts (NAME.xml, NAME.json), and
// adds to lost why a file could not be written.
void MergeJUnit(const QString &path, const std::vector<MemberEnd> &units, const QDir &parts,
                QStringList *lost);
void MergeJson(const QString &path, const QString &sequence, const std::vector<MemberEnd> &units,
               const QDir &parts, QStringList *lost);
void AppendLostLine(const QString &path, const QString &sequence, const MemberEnd &unit,
                    QStringList *lost);
