// A session as a sequence: each press becomes its step and each reply an expect of its
// bytes (as text where they read as text, else as hex), with three times the reply time
// measured as its limit (rounded up to 100 ms, at least 500 ms). Replayed against the same
// device, it passes.
#pragma once

#include "LineJournal.h"

#include <QString>

#include <deque>

constexpr qint64 kShortestRecordedLimitMs = 500;

QString SequenceFromRows(const std::deque<LineRow> &rows);
