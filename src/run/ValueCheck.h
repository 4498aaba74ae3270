// A check of a variable's value: between limits (a finite number, inclusive), is exactly a
// text, or matches a pattern.
#pragma once

#include "Sequence.h"

#include <QHash>
#include <QString>

// Why the value fails the check ("temp = 41.2, not between 20 and 40"), or empty when it
// passes. values: every variable known, for a check's text or pattern to put in.
QString CheckProblem(const SequenceStep &step, const QHash<QString, QString> &values);
