// Every report is a writer over a run's record: the console (RunText.h), JUnit XML
// (JUnitReport.h), a JSON record and JSON lines (JsonReport.h); a results store is another.
// One table maps a report's suffix to its writer.
#pragma once

#include "RunRecord.h"

#include <QString>

// The forms of report, by the suffix of the file's name.
enum class ReportForm { JUnit, Json, JsonLines };
struct ReportKind {
  ReportForm form;
  const char *suffix;
  // As the save dialog offers it (translated in the context "SequenceReport").
  const char *filter;
};
inline constexpr ReportKind kReportKinds[] = {
    {ReportForm::JUnit, "xml", QT_TRANSLATE_NOOP("SequenceReport", "JUnit reports (*.xml)")},
    {ReportForm::Json, "json", QT_TRANSLATE_NOOP("SequenceReport", "JSON records (*.json)")},
    {ReportForm::JsonLines, "jsonl",
     QT_TRANSLATE_NOOP("SequenceReport", "JSON lines, a pass a line (*.jsonl)")},
};
// The form the name's suffix says: .xml, .json or .jsonl; none for another.
std::optional<ReportForm> FormOf(const QString &path);
const ReportKind &ReportKindOf(ReportForm form);

// Why a report cannot be written at this path, or empty: a missing folder, no permission,
// or something there that is not a regular file (a folder, a device, a pipe, a link to
// one), which a report must never replace.
QString ReportProblem(const QString &path);
// Writes the record in the form its name says: JUnit, a JSON record, or a line for each
// pass kept appended. False, with the reason, when the file cannot be written.
bool WriteReport(const QString &path, const RunRecord &record, QString *error);
