// A run's results as people and programs read them, each a writer over the run's record:
// a line per step and the summary on the console, JUnit XML (JUnitReport.h), a JSON record
// and JSON lines (JsonReport.h). The words a script looks for (PASS, FAIL, "N passed, M
// failed") are the same in every language; the reasons are in the operator's. One table
// maps a report's suffix to its writer.
#pragma once

#include "RunRecord.h"

#include <QString>
#include <QStringList>

// Text safe for a terminal or a report: control characters but the line break written as
// \xNN.
QString Printable(const QString &text);

// A step's values as people read them: "temp = 31.5, unit = C".
QString ValuesText(const StepResult &result);

// "PASS line 4: expect "OK" within 500 ms (0.045 s, reply 45 ms)", "PASS common.seq:2: ..."
// for a step of an included file; a failure's reason follows on lines of its own.
QString ResultLine(const SequenceStep &step, const StepResult &result);
// "N passed, M failed", after "F of P passes failed" when there were several.
QString Summary(const RunRecord &record);

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
