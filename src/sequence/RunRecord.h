// A run as JSON, for a results database, a burn-in or a CI server that reads JSON: one
// record of the whole run (FILE.json), or a line per pass appended as each pass ends
// (FILE.jsonl), so that a burn-in keeps every finished pass whatever happens to it. The
// form is an interface: keys are added, never renamed or taken away.
#pragma once

#include "SequenceRunner.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>

// What a record says of the run besides its passes.
struct RunHeader {
  QString sequence;
  QDateTime started;
};

// A pass, index into runner.passes(), as a record of its own: the run's header, the device,
// the variables, and each step.
QJsonObject PassRecord(const RunHeader &header, const SequenceRunner &runner, int index);
// False, with the reason, when the file cannot be written.
bool WriteRunRecord(const QString &path, const RunHeader &header, const SequenceRunner &runner,
                    QString *error);
// The report in the form its suffix names (IsReportName): JUnit, a JSON record, or a line
// for each pass kept appended.
bool WriteReport(const QString &path, const RunHeader &header, const SequenceRunner &runner,
                 QString *error);
// The fields every record starts with: the tool, its version, the host and the sequence.
QJsonObject RecordHead(const QString &sequence);
// Appends a record as one line, in one write. False, with the reason, when it cannot.
bool AppendRecordLine(const QString &path, const QJsonObject &record, QString *error);
// Appends the last pass as one line.
bool AppendPassRecord(const QString &path, const RunHeader &header, const SequenceRunner &runner,
                      QString *error);
