// A run's results as people and CI servers read them: a line per step, the summary, and
// JUnit XML (a testsuite per pass through the file, a testcase per step). The words a
// script looks for (PASS, FAIL, "N passed, M failed") are the same in every language; the
// reasons are in the operator's.
#pragma once

#include "SequenceRunner.h"

#include <QString>

// A state as the console and reports write it ("PASS"), and as the sequence window names it
// (translated in the context "SequenceReport").
struct StateText {
  SequenceRunner::State state;
  const char *word;
  const char *name;
};
const StateText &TextOf(SequenceRunner::State state);

// Text safe for a terminal or a report: control characters but the line break written as
// \xNN.
QString Printable(const QString &text);

// A step's values as people read them: "temp = 31.5, unit = C".
QString ValuesText(const SequenceRunner::Result &result);

// "PASS line 4: expect "OK" within 500 ms (0.045 s, reply 45 ms)"; a failure's reason
// follows on lines of its own.
QString ResultLine(const SequenceStep &step, const SequenceRunner::Result &result);
// "N passed, M failed".
QString Summary(const SequenceRunner &runner);
// Why a report cannot be written at this path, or empty: a missing folder, no permission,
// or something there that is not a regular file (a folder, a device, a pipe, a link to
// one), which a report must never replace.
QString ReportProblem(const QString &path);
// Whether the name's suffix says a report's form: .xml (JUnit), .json (one record of the
// run) or .jsonl (a line a pass, appended).
bool IsReportName(const QString &path);
// False, with the reason, when the file cannot be written.
bool WriteJUnit(const QString &path, const QString &sequenceName, const SequenceRunner &runner,
                QString *error);
