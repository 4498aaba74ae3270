// The colours a verdict shows in, on the board and in the sequence window.
#pragma once

#include "RunRecord.h"

#include <QColor>

inline const QColor kPassColor(0, 140, 0);
inline const QColor kFailColor(200, 0, 0);
// Stopped, or the device lost: no verdict on the unit either way.
inline const QColor kNoVerdictColor(90, 90, 90);
inline const QColor kRunningColor(230, 160, 0);

inline QColor VerdictColor(Verdict verdict) {
  return verdict == Verdict::Pass   ? kPassColor
         : verdict == Verdict::Fail ? kFailColor
                                    : kNoVerdictColor;
}
