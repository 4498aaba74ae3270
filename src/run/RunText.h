// A run's record as people read it, in the line journal, on a console or a board: a line
// per step as it ends and the summary last. The words a script looks for (PASS, FAIL, "N
// passed, M failed") are the same in every language; the reasons are in the operator's.
#pragma once

#include "RunRecord.h"

#include <QString>

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
