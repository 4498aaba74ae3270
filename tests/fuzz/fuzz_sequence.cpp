// Sequence files. Any input gives either steps that print back to text which parses to the
// same steps, or an error whose line and column stand inside the input (or inside a file it
// included, which the error then names).
#include "Sequence.h"

#include <QRegularExpression>

#include <cstdint>
#include <cstdlib>

namespace {
bool Same(const SequenceStep &a, const SequenceStep &b) {
  return a.kind == b.kind && a.port == b.port && a.baud == b.baud && a.bytes == b.bytes &&
         a.ms == b.ms && a.settleMs == b.settleMs && a.text == b.text && a.pieces == b.pieces &&
         a.variable == b.variable && a.test == b.test && a.low == b.low && a.high == b.high;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
  // Two variables a run may have set before it starts.
  const QStringList known{QStringLiteral("a"), QStringLiteral("serial")};
  const ParsedSequence parsed = ParseSequence(input, known);
  if (parsed.failed) {
    const SequenceError &e = parsed.error;
    if (!parsed.steps.isEmpty() || e.message.isEmpty())
      std::abort();
    if (!e.file.isEmpty())
      return 0;
    // Lines end at LF, CR LF or a lone CR.
    const QList<QByteArray> all =
        QByteArray(input).replace("\r\n", "\n").replace('\r', '\n').split('\n');
    if (e.line < 1 || e.line > all.size() + 1)
      std::abort();
    // Columns count characters, never more than the line's bytes (a leading BOM aside).
    if (e.line <= all.size() && (e.column < 1 || e.column > all[e.line - 1].size() + 1))
      std::abort();
    return 0;
  }
  for (const SequenceStep &step : parsed.steps) {
    QStringList names = known + step.usedNames();
    if (!step.variable.isEmpty())
      names << step.variable;
    const ParsedSequence again = ParseSequence(StepText(step).toUtf8(), names);
    if (again.failed || again.steps.size() != 1 || !Same(again.steps.first(), step))
      std::abort();
  }
  return 0;
}
