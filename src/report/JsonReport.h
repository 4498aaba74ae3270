// A run as JSON, for a results database, a burn-in or a CI server that reads JSON: one
// record of the whole run (FILE.json), or a line per pass appended as each pass ends
// (FILE.jsonl), so that a burn-in keeps every finished pass whatever happens to it; a run
// that ends early in a way no pass line says (stopped between passes, a process that died)
// adds a line without "pass" that says how. The form is an interface: keys are added,
// never renamed or taken away. A record is read back from either form, so that a rack can
// merge what its devices wrote, and keep every pass a device finished before it died.
#pragma once

#include "RunRecord.h"

#include <QJsonObject>
#include <QString>

// The fields every record starts with: the tool, its version, the host and the sequence.
QJsonObject RecordHead(const QString &sequence);
// The whole run.
QJsonObject RunJson(const RunRecord &record);
// The pass at index into record.passes as a line of its own, with the run's header.
QJsonObject PassLine(const RunRecord &record, int index);
// How the run ended, as a line: for a run whose end no pass line tells.
QJsonObject EndLine(const RunRecord &record);
// Whether the run's end is told by none of its pass lines.
bool EndNeedsLine(const RunRecord &record);

RunRecord RunFromJson(const QJsonObject &json);
// From the lines one run appended (a file of one run's lines).
RunRecord RunFromLines(const QByteArray &lines);

// False, with the reason, when the file cannot be written.
bool WriteJson(const QString &path, const RunRecord &record, QString *error);
// Appends the last pass kept as a line, as a pass ends.
bool AppendLastPass(const QString &path, const RunRecord &record, QString *error);
// Appends a line for each pass kept, and the end line where one is due.
bool AppendJsonLines(const QString &path, const RunRecord &record, QString *error);
// Appends a record as one line, in one write. False, with the reason, when it cannot.
bool AppendRecordLine(const QString &path, const QJsonObject &record, QString *error);
