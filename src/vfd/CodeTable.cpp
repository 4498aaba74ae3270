#include "CodeTable.h"

namespace {
constexpr int kStartValue = 14653; // 0x393D, the entry before the first
constexpr int kStep = 44;          // every tenth step is one more
constexpr int kEntries = 400;
} // namespace

QStringList CodeTableLines() {
  QStringList lines;
  lines.reserve(kEntries);
  int value = kStartValue;
  for (int entry = 1; entry <= kEntries; ++entry) {
    value += entry % 10 == 0 ? kStep + 1 : kStep;
    lines << QStringLiteral("H'%1,%2").arg(QString::number(value, 16).toUpper()).arg(entry);
  }
  return lines;
}
